#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QStringList>
#include <QTimer>
#include <QToolButton>

#include "app/mouse_panel.h"
#include "app/notice_line.h"
#include "app/tool_look.h"
#include "app/window_place.h"
#include "board/board_tiles.h"
#include "board/board_view.h"
#include "net/correspondents.h"
#include "net/udp_endpoint.h"
#include "support/ansi_codec.h"
#include "support/atomic_file.h"
#include "support/state_files.h"
#include "support/system.h"

namespace kovra {
namespace {

// How long the goodbyes at close may wait for names to be looked up, in all.
constexpr int kCloseLookupMs = 500;

}  // namespace

TForm1::TForm1(const Environment& environment, QWidget* parent)
    : QMainWindow(parent),
      env_(environment),
      dialogs_(*environment.dialogs,
               [this](const QString& sender, const QString& text) {
                 ui_.Label_Notice->Tell(sender, text);
               }),
      correspondents_(new Correspondents(this)) {
  env_.dialogs = &dialogs_;
  BuildLayout();
  autosave_ = std::make_unique<BoardAutosave>(board_files_, *ui_.Label_Saved, this);
  canvas_.SetChangeListener([this](const QRect& area) {
    ui_.Image_KV->ImageChanged(area);
    if (session_) session_->Touched(true, area, sender_address_);
    autosave_->Changed();
  });
  replay_.OnDrawing = [this](const drawing::Command& command, const DrawingState& before,
                             quint64 sender) {
    board_history_.Drawing(command, before, sender);
    if (const auto* piece = std::get_if<drawing::Paste>(&command); piece && sender != 0) {
      pieces_->PeerDrew(*piece, quint32(sender >> 16));
    }
  };
  // The scroll box keeps the board at its top-left corner at its natural
  // size; the view stays where the user scrolled it.
  board_files_.OnReplaced = [this] {
    ui_.Image_KV->Show(&canvas_.Image());
    if (session_) session_->Touched(false, canvas_.Image().rect(), sender_address_);
    autosave_->Changed();
    const bool wiped = tiles::IsWhite(canvas_.Image(), canvas_.Image().rect());
    undo_->Replaced(sender_address_,
                    wiped ? QStringLiteral("стёр доску") : QStringLiteral("заменил доску"));
  };
  QStringList not_understood;
  board_commands_.SetAllowance(ReadDiskAllowance(env_.program_dir + kSettingsFile, not_understood));
  if (!not_understood.isEmpty()) {
    ui_.Label_Notice->Tell(QString(),
                           QStringLiteral("В %1 не понято (нужно целое число без "
                                          "пояснений): %2; взято обычное значение")
                               .arg(kSettingsFile, not_understood.join(QStringLiteral(", "))));
  }
  history_.SetFile(env_.program_dir + kMessageHistoryFile);
  history_.OnSaveFailed = [this](const QString& reason) {
    ui_.Label_Notice->Tell(QString(),
                           QStringLiteral("История сообщений не сохраняется: ") + reason);
  };
  CreateEndpoint();
  WireEvents();
  key_preview_ = std::make_unique<KeyPreview>(*this, [this](int& key, Qt::KeyboardModifiers keys) {
    Guard([&] { FormKeyDown(key, keys); });
  });
  Guard([this] { FormCreate(); });
}

TForm1::~TForm1() {
  // The controls outlive this part of the window and still signal while
  // they are hidden and destroyed (the board says a gesture was lost): none
  // of that may reach a window that is no longer whole.
  for (QObject* control : findChildren<QObject*>())
    QObject::disconnect(control, nullptr, this, nullptr);
}

void TForm1::WireEvents() {
  connect(Timer1, &QTimer::timeout, this, [this] { Guard([this] { Timer1Timer(); }); });
  connect(ui_.SpeedButton1, &QToolButton::clicked, this,
          [this] { Guard([this] { chat_->SpeedButton1Click(); }); });
  connect(ui_.SpeedButton2, &QToolButton::clicked, this,
          [this] { Guard([this] { tool_panel_.SpeedButton2Click(); }); });
  connect(ui_.CB_YesPaint, &QCheckBox::clicked, this,
          [this] { Guard([this] { tool_panel_.CB_YesPaintClick(); }); });
  connect(ui_.ListTools, &ChoiceList::Chosen, this,
          [this] { Guard([this] { tool_panel_.ListToolsClick(); }); });
  connect(ui_.List_W, &QListWidget::itemDoubleClicked, this,
          [this] { Guard([this] { tool_panel_.List_WDblClick(); }); });
  connect(ui_.Panel_Cvet_Fon, &MousePanel::MousePressed, this, [this](Qt::MouseButton button) {
    Guard([&] { tool_panel_.Panel_Cvet_FonMouseDown(button); });
  });
  WireBoard();
  connect(ui_.List_W, &QListWidget::currentRowChanged, this,
          [this] { tool_panel_.ShowPenSample(); });
  connect(ui_.Edit_Mess, &QLineEdit::textChanged, this, [this] {
    KeepMessageShort(ui_.Edit_Mess);
    ShowCharactersLeft(ui_);
  });
  connect(ui_.Palette, &ColorPalette::Chosen, this,
          [this](const QColor& color, Qt::MouseButton button) {
            tool_panel_.PaletteChosen(color, button);
          });
  connect(ui_.Spin_W, &QSpinBox::valueChanged, this,
          [this](int width) { tool_panel_.Spin_WChanged(width); });
  tool_panel_.AddToolKeys(*this);
}

void TForm1::WireBoard() {
  // The board's events carry a button (or the buttons held), the keys and the point.
  // Each in its turn, after the sends of the ones before it.
  // A floating picture, or the selection tool, takes them before the tools.
  auto mouse = [this](auto piece, auto handler) {
    return [this, piece, handler](auto buttons, Qt::KeyboardModifiers shift, int x, int y) {
      held_input_.Run([=] {
        Guard([&] {
          if (!(pieces_.get()->*piece)(buttons, shift, QPoint(x, y))) {
            (gestures_.get()->*handler)(buttons, shift, x, y);
          }
        });
      });
    };
  };
  connect(ui_.Image_KV, &BoardView::MousePressed, this,
          mouse(&BoardPieces::Press, &BoardGestures::Image_KVMouseDown));
  connect(ui_.Image_KV, &BoardView::MouseMoved, this,
          mouse(&BoardPieces::Move, &BoardGestures::Image_KVMouseMove));
  connect(ui_.Image_KV, &BoardView::MouseReleased, this,
          mouse(&BoardPieces::Release, &BoardGestures::Image_KVMouseUp));
  connect(ui_.Image_KV, &BoardView::FilesDropped, this,
          [this](const QStringList& paths, QPoint at) {
            Guard([&] { pieces_->PasteFile(paths.front(), at); });
          });
  connect(ui_.Image_KV, &BoardView::PictureDropped, this, [this](const QImage& picture, QPoint at) {
    Guard([&] { pieces_->PastePicture(picture, at); });
  });
  connect(ui_.ListTools, &QListWidget::currentRowChanged, this,
          [this] { Guard([this] { pieces_->ToolChanged(); }); });
  connect(ui_.Image_KV, &BoardView::GestureLost, this, [this] {
    held_input_.Run([this] {
      Guard([this] {
        pieces_->CancelDrag();
        gestures_->CancelGesture();
      });
    });
  });
}

void TForm1::FormCreate() {
  // What saves and folder probes cut short left beside the state files and
  // in the picture folder, and only that, goes before anything is read.
  for (const QString& folder : {env_.program_dir, board_files_.PictureFolder()}) {
    RemoveInterruptedSaves(folder);
    RemoveProbeLeftovers(folder);
  }
  const QString picture_folder = board_files_.PictureFolder();
  if (!FolderExists(picture_folder) && DriveWritable(env_.program_dir)) {
    CreateFolderPath(picture_folder);  // a failure shows later, when a picture is saved there
  }
  FirstTick_ = true;
  gestures_->Reset();
  tool_panel_.Show();
  ShowCharactersLeft(ui_);
  ui_.Edit_Mess->setFocus();  // the user may type at once
  Timer1->start();
}

void TForm1::SaveWindowPlace() {
  // A window never shown has no place of its own to keep.
  if (isVisible() && DriveWritable(env_.program_dir)) {
    kovra::SaveWindowPlace(*this, env_.program_dir + kWindowPlaceFile);
    tool_panel_.SaveChoices(env_.program_dir + kWindowPlaceFile);
  }
}

void TForm1::Timer1Timer() {
  // Stopped for the whole handler: the first tick's fan-out runs the event loop.
  Timer1->stop();
  ui_.Label_DT->setText(DateTimeText(QDateTime::currentDateTime()));
  if (FirstTick_) {
    RestoreState();
  } else {
    presence_->SaveHeard();  // at most once a second, however much is heard
  }
  // Not reached when the restore raised: the clock then stays stopped.
  Timer1->start();
}

void TForm1::RestoreState() {
  FirstTick_ = false;
  Timer1->setInterval(1000);
  // Where the user left it, with the tools as they were.
  if (!RestoreWindowPlace(*this, env_.program_dir + kWindowPlaceFile)) FirstWindowPlace(*this);

  try {
    history_.Restore();
  } catch (const Error& error) {
    // The start goes on; the stored history is left as it is, never replaced.
    ui_.Label_Notice->Tell(QString(),
                           QStringLiteral("История сообщений не прочитана, новые сообщения не "
                                          "сохраняются: ") +
                               error.Message());
  }

  for (const std::string& name : presence_->Load()) {
    ui_.Label_Notice->Tell(QString(),
                           QStringLiteral("%1 убран из списка: это адрес не одного компьютера")
                               .arg(AnsiToQString(name)));
  }

  const QString board = board_files_.WorkingFile();
  if (QFileInfo::exists(board)) {
    board_files_.LoadBoardFile(board);
  } else {
    board_files_.NewBoard(ui_.Image_KV->width(), ui_.Image_KV->height());
  }

  autosave_->Enable();  // the working file is read: it may be written now

  tool_panel_.RestoreChoices(env_.program_dir + kWindowPlaceFile);

  // With nobody listed yet, everyone on the local networks is asked instead.
  // Otherwise copies that speak the extension are still greeted there: one
  // that started a moment ago may have been asked before it listened.
  if (correspondents_->Count() == 0) {
    correspondents_menu_->FindEveryone();
  } else if (session_) {
    session_->AnnounceTo(correspondents_menu_->Networks());
  }
  if (!env_.start_notice.isEmpty()) ui_.Label_Notice->Tell(QString(), env_.start_notice);
  presence_->Greet();  // may run the event loop while it sends
}

void TForm1::FormCloseQuery(bool& CanClose) {
  // Whatever the disk and the network do, the window closes: each part is
  // saved on its own, and what could not be saved is told in one report
  // (on the standard error: no box holds a close).
  CanClose = true;
  QStringList unsaved;
  auto save = [&unsaved](auto&& step) {
    try {
      step();
    } catch (const Error& error) {
      unsaved.append(error.Message());
    }
  };
  save([&] {
    board_files_.SaveBoardFile(board_files_.WorkingFile());
    autosave_->Saved();
  });
  // May run the event loop; a correspondent that cannot be reached is passed over.
  save([&] { presence_->SayGoodbye(); });
  save([&] { history_.Flush(); });
  SaveWindowPlace();  // only the window's place: nothing to report if it fails
  if (!unsaved.isEmpty()) {
    env_.dialogs->ShowError(QStringLiteral("Не всё удалось сохранить при закрытии:\n") +
                            unsaved.join(u'\n'));
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  // Nothing holds the close: no box opens from here on, and a name the
  // resolver is slow on gets a moment, not the resolver's whole timeout.
  closing_ = true;
  dialogs_.Close();
  Udp1->SetLookupDeadline(QDeadlineTimer(kCloseLookupMs));
  bool can_close = true;
  Guard([&] { FormCloseQuery(can_close); });
  Timer1->stop();
  if (session_) session_->Close();
  // A send still waiting for a name below this handler gives up, so the
  // program ends as soon as its window has closed.
  Udp1->Close();
  event->accept();
}

void TForm1::FormKeyDown(int& key, Qt::KeyboardModifiers keys) {
  if (pieces_->TakeKey(key, keys, key_preview_ ? key_preview_->Target() : nullptr)) {
    key = 0;
    return;
  }
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
  ui_.SpeedButton1->click();
  key = 0;
}

bool TForm1::event(QEvent* event) {
  // A modal box or another window takes the mouse: the release of a drag in
  // progress will never reach the board.
  if (event->type() == QEvent::WindowBlocked || event->type() == QEvent::WindowDeactivate) {
    if (gestures_) {
      held_input_.Run([this] {
        Guard([this] {
          pieces_->CancelDrag();
          gestures_->CancelGesture();
        });
      });
    }
  }
  if (event->type() == QEvent::WindowActivate && chat_) chat_->WindowActivated();
  return QMainWindow::event(event);
}

}  // namespace kovra
