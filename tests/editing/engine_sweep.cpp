// engine_sweep: random sequences of editing commands on real demos, each
// result saved as .dem through the converter, checked by the demo check and
// played by a real engine. One line per sequence, a summary at the end.
//
//   engine_sweep --oracle PLAY_SCRIPT --out FOLDER [--seed N] [--sequences N]
//                [--minutes M] [--only I] DEMO.dem...
//
// Sequence i edits DEMO number i % count, with a second demo for copies
// from another recording (Paste New Level, and now and then a plain
// paste). Its random choices come from seed + i alone, so --only I runs it
// again. Exit status 1 when a saved demo failed to play and the check had
// found nothing, or when the converter refused a dump the rules wrote.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "effects/color.h"
#include "effects/speed.h"
#include "document/democheck.h"
#include "document/retime.h"
#include "editing/clipboard.h"
#include "editing/editstep.h"
#include "editing/reverse.h"
#include "editing/stuff.h"
#include "support/fixturedemo.h"

namespace {

using namespace clipvex;

class Sequence {
 public:
  Sequence(std::uint64_t seed, const std::string& target, const std::string& source, const std::string& folder)
      : random_(seed), strip_('F'), other_('M') {
    settings_.previewpath = folder;
    strip_.demo = test::OpenDemo(target);
    strip_.fileName = target;
    other_.demo = test::OpenDemo(source);
    other_.fileName = source;
  }

  // Runs `steps` random commands; the log names each.
  void Run(int steps) {
    for (int i = 0; i < steps; ++i) Step();
  }
  const std::string& Log() const { return log_; }
  const TDemFile& Demo() const { return strip_.demo; }

 private:
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // A random selection of at most `most` blocks of `strip`; sometimes up to
  // the end (no out-mark).
  void Select(StripState& strip, int most) {
    const int last = strip.Entries() - 2;
    strip.inMark = Between(4, std::max(4, last));
    strip.outMark = Between(0, 9) == 0 ? kMarkEnd : std::min(last, strip.inMark + Between(0, most - 1));
  }
  std::string Range(const StripState& strip) const {
    return std::to_string(strip.inMark) + ".." + std::to_string(strip.outMark);
  }

  void Copy(StripState& strip, const char* name) {
    Select(strip, Between(0, 3) == 0 ? 2000 : 300);
    log_ += std::string(" ") + name + (&strip == &other_ ? "(other)" : "") + " " + Range(strip);
    SilentFeedback silent;
    clip_ = CopyBlocks(strip, silent);
  }

  void Do(const std::string& what, const EditStep::Function& edit) {
    log_ += " " + what;
    EditStep step(what, edit);
    SilentFeedback silent;
    try {
      step.Do(strip_, settings_, silent);
    } catch (const ClipvexError& e) {
      log_ += std::string("[refused: ") + e.what() + "]";
    }
  }

  void Step() {
    switch (Between(0, 10)) {
      case 0:
        Copy(Between(0, 3) == 0 ? other_ : strip_, "copy");
        break;
      case 1:
        Copy(strip_, "cut");
        Do("(delete)", DeleteBlocks);
        break;
      case 2:
      case 3: {
        if (!clip_) Copy(Between(0, 5) == 0 ? other_ : strip_, "copy");
        const bool atEnd = Between(0, 1) == 1;
        strip_.inMark = Between(4, std::max(4, strip_.Entries() - 1));
        const ClipboardPtr clip = clip_;
        if (atEnd) {
          Do("paste-at-end", [clip](StripEdit& e) { PasteBlocksAtEnd(e, *clip); });
        } else {
          Do("paste@" + std::to_string(strip_.inMark), [clip](StripEdit& e) { PasteBlocks(e, *clip); });
        }
        break;
      }
      case 4: {
        Copy(other_, "copy");
        const ClipboardPtr clip = clip_;
        Do("paste-new-level", [clip](StripEdit& e) { PasteNewLevel(e, *clip); });
        break;
      }
      case 5:
        Select(strip_, 400);
        Do("delete " + Range(strip_), DeleteBlocks);
        break;
      case 6: {
        const int step = Between(1, 32);
        Select(strip_, 1500);
        Do("reverse/" + std::to_string(step) + " " + Range(strip_), [step](StripEdit& e) { ReverseBlocks(e, step); });
        break;
      }
      case 7:
      case 8: {
        Select(strip_, 1500);
        const SpeedInput input{std::to_string(strip_.inMark), std::to_string(std::min(strip_.outMark, 99999)),
                               std::to_string(Between(10, 500)), Between(0, 1) ? SpeedMode::Fade : SpeedMode::Constant};
        Do(std::string(input.mode == SpeedMode::Fade ? "speed-fade " : "speed ") + input.percent + "% " + input.from +
               ".." + input.to,
           [input](StripEdit& e) { ChangeSpeed(e, input); });
        break;
      }
      case 9: {
        Select(strip_, 600);
        ColorFadeInput input{std::to_string(strip_.inMark), std::to_string(std::min(strip_.outMark, 99999))};
        input.start = {{Between(0, 255), Between(0, 255), Between(0, 255)}, Between(0, 1) == 1, Between(0, 255)};
        input.end = {{Between(0, 255), Between(0, 255), Between(0, 255)}, false, Between(0, 255)};
        Do("colour-fade " + input.from + ".." + input.to, [input](StripEdit& e) { ColorFade(e, input); });
        break;
      }
      default: {
        std::string typed;
        for (int n = Between(0, 40); n > 0; --n) typed += static_cast<char>(Between(32, 126));
        const auto kind = static_cast<StuffKind>(Between(0, 3));
        strip_.inMark = Between(4, std::max(4, strip_.Entries() - 1));
        const std::string line = BuildStuffLine(kind, typed);
        Do("insert@" + std::to_string(strip_.inMark), [line](StripEdit& e) { InsertText(e, line); });
        break;
      }
    }
  }

  std::mt19937_64 random_;
  Settings settings_;
  StripState strip_;
  StripState other_;
  ClipboardPtr clip_;
  std::string log_;
};

// The play script's one-line verdict. The script misses the engine's line
// that ends a timedemo when a centre print was the last text on the console
// (the line then starts with the console's separator characters) and waits
// for its timeout; the run's console log is read for that line then, and
// judged as the script judges it (a few blocks of each level's sign-on are
// not counted as frames).
std::string Play(const std::string& script, const std::string& demo, const std::string& runs, const TDemFile& edited) {
  std::filesystem::remove_all(runs);
  std::filesystem::create_directories(runs);
  const std::string cmd =
      "ORACLE_STANDINS=1 ORACLE_KEEP=1 ORACLE_RUNS='" + runs + "' bash '" + script + "' '" + demo + "' 2>&1";
  std::string out;
  if (FILE* pipe = popen(cmd.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  if (out.rfind("TIMEOUT", 0) == 0) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(runs, ec)) {
      if (entry.path().filename() != "qconsole.log") continue;
      const std::string log = test::ReadFile(entry.path().string());
      std::smatch end;
      if (!std::regex_search(log, end, std::regex(R"(([0-9]+) frames +[0-9.]+ seconds +-?[0-9.]+ fps)"))) break;
      const long frames = std::stol(end[1].str());
      const long blocks = static_cast<long>(edited.Blocks.size()) - 1;
      const long levels = std::count_if(edited.Blocks.begin(), edited.Blocks.end(),
                                        [](const BlockPtr& block) { return OpensLevel(*block); });
      out = (frames >= blocks - 5 - 6 * levels ? "PASS" : "FAIL") + std::string(" (the script missed the end line \"") +
            end[0].str() + "\" after a centre print) " + out;
    }
  }
  std::filesystem::remove_all(runs);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string oracle, out;
  std::uint64_t seed = 1;
  long sequences = 1000000, only = -1;
  double minutes = 1e9;
  std::vector<std::string> demos;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool value = i + 1 < argc;
    if (arg == "--oracle" && value)
      oracle = argv[++i];
    else if (arg == "--out" && value)
      out = argv[++i];
    else if (arg == "--seed" && value)
      seed = std::strtoull(argv[++i], nullptr, 10);
    else if (arg == "--sequences" && value)
      sequences = std::strtol(argv[++i], nullptr, 10);
    else if (arg == "--minutes" && value)
      minutes = std::strtod(argv[++i], nullptr);
    else if (arg == "--only" && value)
      only = std::strtol(argv[++i], nullptr, 10);
    else
      demos.push_back(arg);
  }
  if (oracle.empty() || out.empty() || demos.empty()) {
    std::fprintf(stderr,
                 "usage: engine_sweep --oracle SCRIPT --out FOLDER [--seed N] [--sequences N] "
                 "[--minutes M] [--only I] DEMO.dem...\n");
    return 64;
  }
  // Demos the editor cannot open (too short for its leading blocks) are left out.
  std::erase_if(demos, [](const std::string& demo) {
    try {
      test::OpenDemo(demo);
      return false;
    } catch (const std::exception& e) {
      std::printf("left out %s: %s\n", demo.c_str(), e.what());
      return true;
    }
  });
  if (demos.empty()) return 64;
  std::filesystem::create_directories(out + "/thumbs");
  const auto start = std::chrono::steady_clock::now();
  int ran = 0, played = 0, failedNamed = 0, failedUnnamed = 0, refused = 0, playedWithFindings = 0;
  for (long i = only >= 0 ? only : 0; i < (only >= 0 ? only + 1 : sequences); ++i) {
    if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > minutes * 60) break;
    const std::size_t t = static_cast<std::size_t>(i) % demos.size();
    const std::size_t s =
        demos.size() == 1 ? t
                          : (t + 1 + static_cast<std::size_t>(i) / demos.size() % (demos.size() - 1)) % demos.size();
    Sequence sequence(seed + static_cast<std::uint64_t>(i), demos[t], demos[s], out + "/thumbs/");
    sequence.Run(3 + static_cast<int>((seed + static_cast<std::uint64_t>(i)) % 6));
    ++ran;
    const std::string name = std::filesystem::path(demos[t]).stem().string();
    const std::string saved = out + "/seq" + std::to_string(i) + "_" + name + ".dem";
    std::printf("seq %ld %s + %s:%s\n", i, name.c_str(), std::filesystem::path(demos[s]).stem().c_str(),
                sequence.Log().c_str());
    try {
      test::SaveDemoFile(sequence.Demo(), saved);
    } catch (const demfmt::Error& e) {
      ++refused;
      std::printf("  SAVE REFUSED by the converter: %s\n", e.what());
      continue;
    }
    const std::vector<DemoProblem> problems = CheckDemo(sequence.Demo());
    const std::string verdict = Play(oracle, saved, out + "/run", sequence.Demo());
    const bool pass = verdict.rfind("PASS", 0) == 0;
    std::printf("  check: %zu finding(s)%s%s\n  engine: %s\n", problems.size(),
                problems.empty() ? "" : ", first: ", problems.empty() ? "" : DescribeProblem(problems.front()).c_str(),
                verdict.c_str());
    if (pass) {
      ++played;
      playedWithFindings += !problems.empty();
      std::filesystem::remove(saved);
    } else if (problems.empty()) {
      ++failedUnnamed;
      std::printf("  NOT NAMED: the demo did not play and the check found nothing (kept: %s)\n", saved.c_str());
    } else {
      ++failedNamed;
    }
    std::fflush(stdout);
  }
  std::printf(
      "\nsequences %d: played to the end %d (%d of them with findings), did not play %d "
      "(check named a reason for %d, for %d not), converter refused the dump %d; %.0f s\n",
      ran, played, playedWithFindings, failedNamed + failedUnnamed, failedNamed, failedUnnamed, refused,
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return failedUnnamed > 0 || refused > 0 ? 1 : 0;
}
