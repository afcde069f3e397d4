#include "app/desktop.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace kovra {

const char kNeedsDesktop[] =
    "Kovra нужен графический рабочий стол: запустите её в сеансе X11 или Wayland "
    "(или через ssh -X).";

namespace {

#ifdef Q_OS_WIN
// The end of the Windows session: asked first (WM_QUERYENDSESSION, which
// Kovra always allows, so Qt answers it), then told (WM_ENDSESSION), after
// which the process may be ended at any moment: the close runs while that
// message is handled. Each top-level window is told; the close runs once.
class SessionEndFilter : public QAbstractNativeEventFilter {
 public:
  explicit SessionEndFilter(std::function<void()> close) : close_(std::move(close)) {}

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
    if (type != "windows_generic_MSG" && type != "windows_dispatcher_MSG") return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_ENDSESSION || msg->wParam == FALSE || closed_) return false;
    closed_ = true;
    close_();
    return false;  // Qt's own handling follows
  }

 private:
  std::function<void()> close_;
  bool closed_ = false;
};
#else
constexpr std::array<int, 3> kCloseSignals = {SIGTERM, SIGHUP, SIGINT};

// The pipe from the signal handler to the event loop; -1 while none is set.
int signal_pipe[2] = {-1, -1};
struct sigaction previous_actions[kCloseSignals.size()];

void OnCloseSignal(int) {
  const char byte = 1;
  // Only what is safe in a handler: the loop does the rest.
  [[maybe_unused]] const ssize_t ignored = ::write(signal_pipe[1], &byte, 1);
}
#endif

// What Qt's Russian translation leaves in English, in the dialogs Kovra shows.
class RussianWords : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                    int /*n*/) const override {
    const std::string_view where(context ? context : "");
    const std::string_view text(source ? source : "");
    if (where == "QPlatformTheme" && text == "OK") return QStringLiteral("ОК");
    // Alt with К, Д and О are the red's, the custom colours' and the basic ones'.
    if (where == "QColorDialog" && text == "&HTML:") return QStringLiteral("Код &цвета:");
    return {};
  }
};

QtMessageHandler qt_handler = nullptr;
// What the platform said while the display was being reached: shown only
// once it was, since it is noise when the only news is that there is none.
struct HeldMessage {
  QtMsgType type;
  QString text;
};
std::vector<HeldMessage>* held_messages = nullptr;

// Qt's own words for a display it cannot open end in an abort that tells the
// user to reinstall; this says what is wrong instead, in one line.
void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
    std::fprintf(stderr, "%s\n", kNeedsDesktop);
    std::_Exit(1);
  }
  const bool platform = context.category && qstrncmp(context.category, "qt.qpa", 6) == 0;
  if (platform && held_messages) {
    held_messages->push_back({type, text});
    return;
  }
  qt_handler(type, context, text);
}

}  // namespace

bool DesktopAvailable() {
#ifdef Q_OS_WIN
  bool named = true;  // a Windows program always has its desktop
#else
  bool named = false;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    named = named || !qEnvironmentVariableIsEmpty(name);
  }
#endif
  if (!named) {
    std::fprintf(stderr, "%s\n", kNeedsDesktop);
    return false;
  }
  held_messages = new std::vector<HeldMessage>;
  qt_handler = qInstallMessageHandler(OnQtMessage);
  return true;
}

void DesktopReached() {
  if (!held_messages) return;
  qInstallMessageHandler(qt_handler);
  for (const HeldMessage& message : *held_messages) {
    qt_handler(message.type, QMessageLogContext(), message.text);
  }
  delete held_messages;
  held_messages = nullptr;
}

void UseCurrentLook() {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
    QApplication::setStyle(fusion);
    QApplication::setPalette(fusion->standardPalette());
  }
}

void SpeakRussian() {
  const QLocale russian(QLocale::Russian, QLocale::Russia);
  QLocale::setDefault(russian);
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  // Without the translations (another system's Qt) the dialogs stay English.
  // Windows has them only inside the program.
  auto* translator = new QTranslator(QCoreApplication::instance());
  for (const QString& folder :
       {QLibraryInfo::path(QLibraryInfo::TranslationsPath), QStringLiteral(":/translations")}) {
    if (translator->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
      QCoreApplication::installTranslator(translator);
      break;
    }
  }
  // Installed last, so asked first.
  QCoreApplication::installTranslator(new RussianWords(QCoreApplication::instance()));
}

#ifdef Q_OS_WIN
CloseOnSignals::CloseOnSignals(QWidget* window) : window_(window) {
  session_end_ = std::make_unique<SessionEndFilter>([this] { CloseWindow(); });
  QCoreApplication::instance()->installNativeEventFilter(session_end_.get());
}

CloseOnSignals::~CloseOnSignals() {
  QCoreApplication::instance()->removeNativeEventFilter(session_end_.get());
}
#else
CloseOnSignals::CloseOnSignals(QWidget* window) : window_(window) {
  if (::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Received(); });
  struct sigaction action = {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kCloseSignals.size(); ++i) {
    sigaction(kCloseSignals[i], &action, &previous_actions[i]);
  }
}

CloseOnSignals::~CloseOnSignals() {
  if (!notifier_) return;
  for (std::size_t i = 0; i < kCloseSignals.size(); ++i) {
    sigaction(kCloseSignals[i], &previous_actions[i], nullptr);
  }
  delete notifier_;
  ::close(signal_pipe[0]);
  ::close(signal_pipe[1]);
  signal_pipe[0] = signal_pipe[1] = -1;
}

void CloseOnSignals::Received() {
  char bytes[16];
  while (::read(signal_pipe[0], bytes, sizeof bytes) > 0) {
  }
  // The close may wait on the network and the disk; a second signal should
  // not have to.
  struct sigaction ends = {};
  ends.sa_handler = SIG_DFL;
  sigemptyset(&ends.sa_mask);
  for (int number : kCloseSignals) sigaction(number, &ends, nullptr);
  CloseWindow();
}
#endif

void CloseOnSignals::CloseWindow() {
  // A box left open (a prompt, a message) would keep the program running with
  // no window behind it: each is answered as its Cancel would.
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QDialog*>(top); box && box->isVisible()) box->reject();
  }
  if (window_) {
    window_->close();
  } else {
    QCoreApplication::quit();
  }
}

}  // namespace kovra
