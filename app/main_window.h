// TForm1, the program's one window: it holds the controls, the timer and the
// subsystems' logic objects, and wires each Qt event to the controller that
// handles it: the board menu, the gestures, the chat pane, the correspondent
// list and the tool column.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/board_autosave.h"
#include "app/board_gestures.h"
#include "app/board_menu.h"
#include "app/board_pieces.h"
#include "app/board_sending.h"
#include "app/board_undo.h"
#include "app/chat_pane.h"
#include "app/choice_list.h"
#include "app/correspondents_menu.h"
#include "app/held_input.h"
#include "app/key_preview.h"
#include "app/routed_dialogs.h"
#include "app/session_links.h"
#include "app/session_word.h"
#include "app/tool_panel.h"
#include "app/window_layout.h"
#include "board/board_commands.h"
#include "board/board_files.h"
#include "board/board_history.h"
#include "board/canvas.h"
#include "board/replay.h"
#include "net/command_table.h"
#include "net/fan_out.h"
#include "net/message_history.h"
#include "net/presence.h"
#include "support/environment.h"
#include "support/error_guard.h"

class QTimer;

class QAction;
class QMenu;
class QMenuBar;

namespace kovra {

class Correspondents;
class TUdpEndpoint;
struct ReceivedDatagram;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(const Environment& environment, QWidget* parent = nullptr);
  ~TForm1() override;

  // Start, tick and close.
  void FormCreate();
  void Timer1Timer();
  void FormCloseQuery(bool& CanClose);
  // Enter anywhere in the window sends the typed message; key becomes 0 then.
  // A floating picture or a selected part takes Enter, Esc and Delete; a
  // picture on the clipboard takes Ctrl+V, and the board Ctrl+C unless
  // text is selected.
  void FormKeyDown(int& key, Qt::KeyboardModifiers keys = Qt::NoModifier);

  // The board menu's items, the board's files, and the sending of commands
  // (SendCommand, SendToCorrespondents), which runs the event loop.
  BoardMenu& BoardItems() { return *board_menu_; }
  // The correspondent list's and the network menu's items.
  CorrespondentsMenu& ListItems() { return *correspondents_menu_; }
  SessionWord& Word() { return *session_word_; }
  // The message pane: sending and receiving lines.
  ChatPane& Chat() { return *chat_; }
  BoardFiles& Files() { return board_files_; }
  FanOut& Sender() { return *fan_out_; }
  // The delivery extension and the board's repair over it; null when the
  // environment turned the extension off.
  PeerLinks* Links() { return session_ ? &session_->Links() : nullptr; }
  const SessionLinks* Session() const { return session_.get(); }
  // What draws every command on the board, the user's and the peers'.
  Replay& BoardReplay() { return replay_; }

  // The endpoint's events, and the one received command the window handles itself.
  void Udp1DataReceived(const ReceivedDatagram& datagram);
  void Udp1InvalidHost(const std::string& name, bool& handled);
  void Udp1BufferInvalid(bool& handled, std::vector<char>& buff, int& length);

  // The window's controls, by name.
  const WindowControls& Controls() const { return ui_; }
  bool FirstTick() const { return FirstTick_; }
  Correspondents& UserList() { return *correspondents_; }
  const Presence& PeerPresence() const { return *presence_; }
  const MessageHistory& History() const { return history_; }
  const BoardCanvas& Board() const { return canvas_; }
  const GestureState& CurrentGesture() const { return gestures_->Current(); }
  const ToolSettings& Settings() const { return tool_panel_.Settings(); }
  // The tool column: width, colours, font, the drawing switch, the tools.
  ToolPanel& ToolColumn() { return tool_panel_; }
  CommandTable& Commands() { return commands_; }
  // Undo and redo on the board (the menu "Доска", Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y).
  BoardUndo& Undo() { return *undo_; }
  // Pictures pasted and dropped, parts selected and moved.
  BoardPieces& Pieces() { return *pieces_; }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLayout();
  void CreateEndpoint();
  // The delivery extension's links, when the environment wants them, and undo over them.
  void CreateSessionAndUndo();
  // The list's and the network menu's items, and the computers removed.
  void CreateCorrespondentsMenu();
  // Pictures and selections, over the gestures.
  void CreatePieces();
  // A command to its table's row, as sent by address and port.
  void Dispatch(const ReceivedCommand& command, quint32 address, quint16 port);
  void RegisterCommands();
  void BuildMenus();
  // The network menu and the list's pop-up menu.
  void BuildNetworkMenus(QMenuBar* bar);
  // An item of menu whose handler runs through the error guard.
  QAction* MenuItem(QMenu* menu, const char* name, const QString& caption,
                    std::function<void()> handler);
  void WireEvents();
  // The board's mouse and drops: a picture or the selection tool first, then the tools.
  void WireBoard();
  // Runs a handler through the error guard; false when it raised.
  template <typename Body>
  bool Guard(Body&& body);

  void RestoreState();
  void SaveWindowPlace();

  Environment env_;
  WindowControls ui_;
  RoutedDialogs dialogs_;  // what every part shows goes through it
  bool FirstTick_ = true;
  Correspondents* correspondents_ = nullptr;
  CommandTable commands_;
  std::unique_ptr<FanOut> fan_out_;
  std::unique_ptr<Presence> presence_;
  std::unique_ptr<BoardSending> board_sending_;
  std::unique_ptr<BoardMenu> board_menu_;
  std::unique_ptr<CorrespondentsMenu> correspondents_menu_;
  std::unique_ptr<ChatPane> chat_;
  std::unique_ptr<BoardGestures> gestures_;
  std::unique_ptr<BoardPieces> pieces_;
  std::unique_ptr<SessionLinks> session_;  // null when the extension is off
  std::unique_ptr<SessionWord> session_word_;
  std::unique_ptr<BoardUndo> undo_;
  std::unique_ptr<BoardAutosave> autosave_;
  // The board's mouse events, held while a send is under way.
  HeldInput held_input_{[this] { return fan_out_ && fan_out_->Sending(); }};
  MessageHistory history_;
  ToolPanel tool_panel_{dialogs_, ui_};
  BoardCanvas canvas_;
  BoardHistory board_history_{canvas_};
  BoardFiles board_files_{canvas_, env_.program_dir};
  ReceivedBoardCommands board_commands_{board_files_, dialogs_};
  Replay replay_{canvas_};
  quint32 sender_address_ = 0;  // of the datagram being handled; 0 between them
  std::unique_ptr<KeyPreview> key_preview_;
  bool closing_ = false;  // the close sequence has begun: nothing is asked or shown

 public:
  QTimer* Timer1 = nullptr;
  TUdpEndpoint* Udp1 = nullptr;
};

template <typename Body>
bool TForm1::Guard(Body&& body) {
  return RunGuarded(*env_.dialogs, std::forward<Body>(body));
}

}  // namespace kovra
