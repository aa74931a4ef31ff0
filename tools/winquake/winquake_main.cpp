// winquake: the preview game. winquake -game DIR [options] [+command args ...]
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <string>
#include <vector>

#include "cmdline.h"
#include "game.h"
#include "gamewidget.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the program the same way as closing the window.
void InstallSignalHandlers() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);  // takes Qt's own options out of argv
  std::vector<std::string> args(argv + 1, argv + argc);
  const winquake::CommandLine cl = winquake::ParseCommandLine(args);

  winquake::Game game(cl.gameDir);
  for (const std::string& command : cl.commands) {
    game.Execute(command);
    if (game.QuitRequested()) return 0;
  }

  InstallSignalHandlers();
  QSocketNotifier* notifier = nullptr;
  if (signalPipe[0] >= 0) {
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QApplication::quit(); });
  }

  winquake::GameWidget window(game);
  window.show();
  return app.exec();
}
