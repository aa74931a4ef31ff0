#include "preview/enginecheck.h"

#include <thread>

#include "document/error.h"
#include "preview/gamecontrol.h"

namespace clipvex {

std::string CheckEngine(const EngineProfile& profile, const std::string& gameFolder, const std::string& gameDirectory,
                        const std::string& addparams, const std::function<bool()>& idle,
                        std::chrono::milliseconds limit) {
  const ProfileContext context = MakeProfileContext(profile, gameFolder, gameDirectory, addparams);
  std::string lookedIn;
  const std::string program = FindProgram(profile, context, &lookedIn);
  if (program.empty()) return ProfileProgramProblem(profile, gameFolder, gameDirectory, addparams);
  if (profile.check.empty()) return {};
#ifdef _WIN32
  // The runner keeps no child to look at there: being found must do.
  (void)idle;
  (void)limit;
  return {};
#else

  const std::vector<std::string> arguments = ExpandWords(profile.check, context);
  std::string shown = program;
  for (const std::string& argument : arguments) shown += " " + argument;
  std::vector<std::string> environment;
  for (const std::string& variable : profile.environment) environment.push_back(ExpandText(variable, context));
  GameProcesses processes;
  long pid = 0;
  try {
    pid = StartGameProgram(program, arguments, environment, ExpandText(profile.workingFolder, context),
                           /*quiet=*/true)
              .processId;
  } catch (const ClipvexError& e) {
    return "'" + shown + "' could not be started: " + e.what();
  }
  processes.Add(pid);
  const auto until = std::chrono::steady_clock::now() + limit;
  while (processes.Running(pid)) {
    if (std::chrono::steady_clock::now() >= until || (idle && !idle())) {
      processes.TerminateAll();
      return "'" + shown + "' did not end within " + std::to_string((limit.count() + 999) / 1000) + " seconds.";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::optional<int> code = processes.ExitCode(pid);
  if (code && *code == 0) return {};
  return "'" + shown + "' ended with exit code " + (code ? std::to_string(*code) : std::string("unknown")) +
         ": does the game folder hold the game's data?";
#endif
}

}  // namespace clipvex
