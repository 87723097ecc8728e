// Long runs of the whole program, headless on the virtual clock and flown by the test
// harness's autopilot through the real menu, games, name entries and theme changes.
//
//   zaf_long soak [GAMES [SEED]]   GAMES games in one run (1000): the live allocations at every
//                                  return to the menu stay the same, the resident memory after
//                                  the last game is within 1 MB of that after game 10
//   zaf_long fail N                the sweep's run with allocation N failing, alone
//   zaf_long sweep [RUNS [SEED]]   one start-up, menu, game and shutdown with the n-th
//                                  allocation failing, for every n of the run or a seeded
//                                  sample of RUNS (2000): the program ends with status 0, or 1
//                                  and one line on stderr, and leaves nothing allocated
//
// Both exit with status 1 when a check fails. Needs SDL_VIDEODRIVER=dummy and
// SDL_AUDIODRIVER=dummy, and the generated themes of the build's run folder.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>

#include "game/chart.h"
#include "shell/theme.h"
#include "tests/shell/harness.h"
#include "util/mem.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZAF_LEAK_CHECK 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ZAF_LEAK_CHECK 1
#endif
#ifdef ZAF_LEAK_CHECK
#include <sanitizer/common_interface_defs.h>
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Generous for a game of a few catches: a run that comes to it is stuck.
constexpr uint32_t runLimit = 10 * 60 * 1000;

// A program folder holding the two generated themes, which "<cycle>" takes in turn.
std::string NewFolder()
{
    std::string dir = HarnessNewProgDir();
    if (dir.empty() || !HarnessLinkTheme(dir, "default") || !HarnessLinkTheme(dir, "ember")) {
        std::fprintf(stderr, "zaf_long: cannot make a program folder with the generated themes\n");
        std::exit(1);
    }
    return dir;
}

long ResidentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

bool LeakReported()
{
#ifdef ZAF_LEAK_CHECK
    return __lsan_do_recoverable_leak_check() != 0;
#else
    return false;
#endif
}

namespace soak {

std::mt19937 random;
char name[16];
std::map<std::string, int64_t> liveAtMenu; // by theme, from the first return
int failures = 0;
int entries = 0;
long residentAt10 = 0;
long residentAtEnd = 0;

void AtMenu(HarnessPilot& pilot)
{
    if (pilot.chosen > 0) {
        const int64_t live = MEM_LiveBlocks();
        const auto [first, isNew] = liveAtMenu.emplace(CurrentThemeName(), live);
        if (!isNew && first->second != live) {
            std::printf("game %d: %lld live allocations in the menu of \"%s\", %lld after the first game\n",
                        pilot.chosen, static_cast<long long>(live), CurrentThemeName(),
                        static_cast<long long>(first->second));
            failures++;
        }
        entries += pilot.sawScreen ? 1 : 0;
    }
    if (pilot.chosen == 10) {
        residentAt10 = ResidentKiB();
    }
    if (pilot.chosen == pilot.games) {
        residentAtEnd = ResidentKiB();
    }
    if (pilot.chosen > 0 && pilot.chosen % 100 == 0) {
        std::printf("  %d games, resident %ld KiB\n", pilot.chosen, ResidentKiB());
        std::fflush(stdout);
    }
    // The next game: a seeded number of catches (none at all now and then), a new launch
    // sequence, and a name of Latin-1 letters for the chart.
    pilot.catches = static_cast<int>(random() % 9);
    pilot.seed = static_cast<unsigned>(random());
    const size_t length = 1 + random() % (sizeof name - 2);
    for (size_t i = 0; i < length; i++) {
        const unsigned c = 0x21 + random() % 0xDF;
        name[i] = static_cast<char>(c >= 0x7F && c <= 0xA0 ? 'a' + c % 26 : c);
    }
    name[length] = '\0';
    pilot.name = name;
}

int Run(int games, unsigned seed)
{
    random.seed(seed);
    const std::string dir = NewFolder();
    HarnessPilot pilot;
    pilot.games = games;
    pilot.onMenu = AtMenu;
    const auto began = std::chrono::steady_clock::now();
    const int status = HarnessFly(dir, pilot, static_cast<uint32_t>(games) * runLimit);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    HarnessRemoveDir(dir);

    std::printf("soak: %d games (seed %u) in %.1f s: %.2f games per second, %.0f virtual s per game, "
                "%d chart entries\n",
                pilot.played, seed, seconds, pilot.played / seconds, HarnessNow() / 1000.0 / std::max(1, pilot.played),
                entries);
    for (const auto& [theme, live] : liveAtMenu) {
        std::printf("  live allocations at every return to the menu of \"%s\": %lld\n", theme.c_str(),
                    static_cast<long long>(live));
    }
    std::printf("  resident memory after game 10: %ld KiB, after game %d: %ld KiB (%+ld KiB)\n", residentAt10,
                games, residentAtEnd, residentAtEnd - residentAt10);
    if (status != 0 || pilot.played != games || pilot.stage != HarnessPilot::QUITTING) {
        std::printf("FAILED: status %d, %d of %d games played\n", status, pilot.played, games);
        failures++;
    }
    if (games >= 10 && residentAtEnd - residentAt10 > 1024) {
        std::printf("FAILED: the resident memory grew by more than 1 MB\n");
        failures++;
    }
    if (MEM_LiveBlocks() != 0 || LeakReported()) {
        std::printf("FAILED: %lld allocations left after the run\n", static_cast<long long>(MEM_LiveBlocks()));
        failures++;
    }
    return failures == 0 ? 0 : 1;
}

} // namespace soak

namespace sweep {

struct Outcome {
    int status;
    int stderrLines;
    std::string firstLine;
    bool stuck;
    int64_t leftLive;
    bool leak;
    bool named; // the game's score entered the chart and a name was typed
    HarnessPilot pilot;
};

uint32_t failing = 0;
int realStderr = -1;
char capturePath[64];

// A sanitizer report ends the process inside a run, its text in the run's stderr file.
[[maybe_unused]] void SayWhichRun()
{
    if (realStderr >= 0) {
        dprintf(realStderr, "sweep: the run with allocation %u failing ended the process; its stderr is in %s\n",
                failing, capturePath);
    }
}

// One flight with the n-th allocation failing (none for 0), stderr kept apart. The chart
// holds no points, so that the game's score enters it and the name entry runs.
Outcome Fly(uint32_t failAt)
{
    const std::string dir = NewFolder();
    uint8_t weakChart[CHART_FILE_SIZE];
    for (ChartEntry& row : chart) {
        row = ChartEntry{};
    }
    ChartToBytes(weakChart);
    (void)HarnessWriteFile(dir, "chart.raw", std::string(reinterpret_cast<char*>(weakChart), sizeof weakChart));
    HarnessPilot pilot;
    pilot.catches = 4;
    std::fflush(stderr);
    std::snprintf(capturePath, sizeof capturePath, "/tmp/zaf_long-stderr-%d.txt", static_cast<int>(getpid()));
    FILE* caught = std::fopen(capturePath, "w+");
    if (caught == nullptr) {
        std::exit(1);
    }
    realStderr = dup(2);
    dup2(fileno(caught), 2);
    failing = failAt;
    MEM_ResetCounters();
    MEM_FailAt(failAt);
    Outcome outcome{};
    outcome.status = HarnessFly(dir, pilot, runLimit);
    outcome.named = pilot.sawScreen;
    outcome.pilot = pilot;
    MEM_FailAt(0);
    std::fflush(stderr);
    dup2(realStderr, 2);
    close(realStderr);
    realStderr = -1;
    std::rewind(caught);
    char line[1024];
    while (std::fgets(line, sizeof line, caught) != nullptr) {
        if (outcome.stderrLines++ == 0) {
            outcome.firstLine = line;
            outcome.firstLine.erase(outcome.firstLine.find_last_not_of('\n') + 1);
        }
    }
    std::fclose(caught);
    std::remove(capturePath);
    outcome.stuck = HarnessNow() >= runLimit;
    outcome.leftLive = MEM_LiveBlocks();
    outcome.leak = LeakReported();
    HarnessRemoveDir(dir);
    return outcome;
}

int Run(int runs, unsigned seed)
{
#ifdef ZAF_LEAK_CHECK
    __sanitizer_set_death_callback(SayWhichRun);
#endif
    const Outcome clean = Fly(0);
    const uint32_t points = MEM_Points();
    if (clean.status != 0 || clean.stderrLines != 0 || clean.stuck || clean.leftLive != 0 || clean.leak ||
        !clean.named) {
        std::printf("sweep: the undisturbed run failed: status %d, %s\n", clean.status, clean.firstLine.c_str());
        return 1;
    }
    std::set<uint32_t> chosen;
    if (points <= static_cast<uint32_t>(runs)) {
        for (uint32_t n = 1; n <= points; n++) {
            chosen.insert(n);
        }
    } else {
        std::mt19937 random(seed);
        while (chosen.size() < static_cast<size_t>(runs)) {
            chosen.insert(1 + random() % points);
        }
    }
    std::printf("sweep: %u allocation points in a whole run (start-up, menu, a game named in the chart, "
                "the next theme, quit); failing %zu of them (seed %u)\n",
                points, chosen.size(), seed);
    std::fflush(stdout);

    int carriedOn = 0;
    int failures = 0;
    int done = 0;
    std::map<std::string, int> ended; // status 1, by message
    const auto began = std::chrono::steady_clock::now();
    for (const uint32_t n : chosen) {
        const Outcome o = Fly(n);
        const bool statusOk = (o.status == 0 && o.stderrLines <= 1) || (o.status == 1 && o.stderrLines == 1);
        if (!statusOk || o.stuck || o.leftLive != 0 || o.leak) {
            std::printf("FAILED at allocation %u: status %d, %d lines on stderr (%s)%s, %lld allocations left%s; "
                        "the autopilot chose PLAY %d times, saw %d game overs, stopped in stage %d\n",
                        n, o.status, o.stderrLines, o.firstLine.c_str(), o.stuck ? ", stuck until the limit" : "",
                        static_cast<long long>(o.leftLive), o.leak ? ", a leak reported" : "", o.pilot.chosen,
                        o.pilot.played, static_cast<int>(o.pilot.stage));
            failures++;
        } else if (o.status == 0) {
            carriedOn++;
        } else {
            ended[o.firstLine]++;
        }
        if (++done % 100 == 0) {
            std::printf("  %d runs\n", done);
        }
        // Blocks left by a failed run would be blamed on the next.
        if (o.leftLive != 0) {
            break;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("sweep: %zu runs in %.0f s: %d carried on to the player's quit (status 0), %d ended with status 1, "
                "%d failed\n",
                chosen.size(), seconds, carriedOn, static_cast<int>(chosen.size()) - carriedOn - failures, failures);
    for (const auto& [message, count] : ended) {
        std::printf("  %4d  %s\n", count, message.c_str());
    }
    return failures == 0 ? 0 : 1;
}

} // namespace sweep

} // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    const int count = argc > 2 ? std::atoi(argv[2]) : 0;
    const unsigned seed = argc > 3 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 2026;
    setvbuf(stdout, nullptr, _IOLBF, 0);
    if (what == "soak") {
        return soak::Run(count > 0 ? count : 1000, seed);
    }
    if (what == "fail") { // one run of the sweep again
        const sweep::Outcome o = sweep::Fly(static_cast<uint32_t>(count));
        std::printf("allocation %d failing: status %d, stderr \"%s\"%s, %lld allocations left, PLAY chosen %d "
                    "times, %d game overs, stage %d\n",
                    count, o.status, o.firstLine.c_str(), o.stuck ? ", stuck until the limit" : "",
                    static_cast<long long>(o.leftLive), o.pilot.chosen, o.pilot.played, static_cast<int>(o.pilot.stage));
        return 0;
    }
    if (what == "sweep") {
        return sweep::Run(count > 0 ? count : 2000, seed);
    }
    std::fprintf(stderr, "usage: zaf_long soak [GAMES [SEED]] | sweep [RUNS [SEED]]\n");
    return 2;
}
