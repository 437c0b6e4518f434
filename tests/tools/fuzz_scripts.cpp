// Feeds the script driver generated and mutated scripts, starting from tests/scripts: every run
// must end as kazuroi-script ends (status 0 or 2) within the time limit, and a sanitizer build
// must report nothing. A failing script is written out so that it can be replayed.
// Usage: fuzz_scripts SCRIPT_DIR COUNT [SEED]   (FUZZ_SHOW_ERRORS=1 prints every refusal, to see
// what the mutations mostly run into)
#include "script/script_runner.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Script = std::vector<std::string>;

// The script now running, kept where the watchdog can still write it out.
char current[1 << 20];
constexpr unsigned kSecondsPerScript = 20;

void onTimeOut(int) {
    const char message[] = "\nfuzz_scripts: a script ran over its time limit; it is in "
                           "fuzz_failure.kzs\n";
    const int fd = ::open("fuzz_failure.kzs", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] auto w = ::write(fd, current, std::strlen(current));
        ::close(fd);
    }
    [[maybe_unused]] auto w = ::write(2, message, sizeof message - 1);
    ::_exit(1);
}

// Blank-separated words, so that a list reads as one line.
std::vector<std::string> words(const char* text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

// What the lines are made of: the game's own controls and timers with their properties, its
// state, and values at the edges of what it takes.
struct Vocabulary {
    std::vector<std::string> buttons, timers, names, values, any;

    Vocabulary() {
        kazuroi::HeadlessPlatform platform([](const std::string&) {});
        kazuroi::Form1 form(platform);
        for (const kazuroi::Control* c : form.controls()) {
            if (form.mouseDownHandler(*c))
                buttons.push_back(c->Name);
            for (const char* property : {".Caption", ".Enabled", ".Visible", ".Width", ".Top"})
                names.push_back(c->Name + property);
        }
        for (const kazuroi::Timer* t : form.timers()) {
            timers.push_back(t->Name);
            names.push_back(t->Name + ".Interval");
            names.push_back(t->Name + ".Enabled");
        }
        for (const std::string& n :
             words("StageIndex SolvedCount TimeLeft TickCountdown BlinkPhase AnimationStep "
                   "ExtraRefill NoRedoUsed SelectedCount BarColour StageRecords(4).MinLevel "
                   "StageRecords(0).MaxLevel StageRecords(3).ZeroWeight StageParams(2).TimeLimitOn "
                   "StageParams(5).SolveBonus Orderings(3,1) SlotValues(4) Form1.Left"))
            names.push_back(n);
        values = words("0 1 -1 2 3 4 5 6 7 10 15 19 20 200 1935 5000 32767 -32768 0.1 1e30 "
                       "True False Empty 0x00FF00 \"１＋２\"");
        any = words("load close get set down click tick wait question seed random answer "
                    "setting stored Yes No nan inf # \" ( ) . 9999999999999999999999");
        for (const auto* list : {&buttons, &timers, &names, &values})
            any.insert(any.end(), list->begin(), list->end());
    }
};

class Fuzzer {
  public:
    Fuzzer(std::vector<Script> seeds, std::uint32_t seed) : seeds_(std::move(seeds)), pick_(seed) {}

    Script next() {
        Script s = roll(4) == 0 ? generated() : seeds_[roll(seeds_.size())];
        const std::size_t mutations = 1 + roll(8);
        for (std::size_t m = 0; m < mutations; ++m)
            mutate(s, roll(4) == 0 && m == 0);
        return s;
    }

  private:
    std::size_t roll(std::size_t n) { return n == 0 ? 0 : pick_() % n; }
    const std::string& word() { return words_.any[roll(words_.any.size())]; }

    std::string wildLine() {
        std::string text = word();
        for (std::size_t i = 0, n = roll(4); i < n; ++i)
            text += " " + word();
        return text;
    }

    std::string line() {
        const auto any = [this](const std::vector<std::string>& from) {
            return from[roll(from.size())];
        };
        switch (roll(9)) {
        case 0:
        case 1:
            return "down " + any(words_.buttons);
        case 2:
            return roll(2) ? "click cmd出題" : "click cmdやり直し";
        case 3:
            return "tick " + any(words_.timers) + " " +
                   std::to_string(roll(3) ? roll(60) : roll(3000));
        case 4:
            return "wait " + std::to_string(roll(3) ? roll(500) : roll(20000));
        case 5:
            return "set " + any(words_.names) + " " + any(words_.values);
        case 6:
            return "question " + std::to_string(roll(6)) + " " + std::to_string(1000 + roll(9000));
        case 7:
            return "get " + any(words_.names);
        default:
            return roll(2) ? "random " + std::to_string(double(roll(1000)) / 1000)
                           : "answer " + std::string(roll(2) ? "Yes" : "No");
        }
    }

    Script generated() {
        Script s = {"load"};
        for (std::size_t i = 0, n = 1 + roll(30); i < n; ++i)
            s.push_back(line());
        return s;
    }

    // Most changes keep each line well formed and after the one `load`, so that the script runs
    // on past them; a damaging one (any words, a foreign token, a cut, a flipped byte) comes now
    // and then.
    void mutate(Script& s, bool damage) {
        std::size_t first = 0; // where lines may go: after `load`, if there is one
        for (std::size_t i = 0; i < s.size(); ++i)
            if (s[i].rfind("load", 0) == 0)
                first = i + 1;
        const auto insert = [&](std::size_t at, const std::string& text) {
            if (text.rfind("load", 0) != 0)
                s.insert(s.begin() + std::ptrdiff_t(std::clamp(at, first, s.size())), text);
        };
        const std::size_t at = first + roll(s.size() - first + 1);
        switch (damage ? 4 + roll(4) : std::array{0, 1, 2, 3, 3, 8}[roll(6)]) {
        case 0:
            if (at < s.size())
                s.erase(s.begin() + std::ptrdiff_t(at));
            break;
        case 1:
            if (at < s.size())
                insert(at, s[at]);
            break;
        case 2:
            if (s.size() > first + 1)
                std::swap(s[first + roll(s.size() - first)], s[first + roll(s.size() - first)]);
            break;
        case 3:
            insert(at, line());
            break;
        case 4:
            insert(at, wildLine());
            break;
        case 5: { // a token replaced by a name or value from anywhere
            if (at >= s.size() || s[at].empty())
                break;
            std::istringstream in(s[at]);
            std::vector<std::string> tokens{std::istream_iterator<std::string>(in), {}};
            if (tokens.empty())
                break;
            tokens[roll(tokens.size())] = word();
            s[at].clear();
            for (const auto& t : tokens)
                s[at] += (s[at].empty() ? "" : " ") + t;
            break;
        }
        case 6: // a line cut short
            if (at < s.size())
                s[at].resize(roll(s[at].size() + 1));
            break;
        case 7: // a byte flipped
            if (at < s.size() && !s[at].empty())
                s[at][roll(s[at].size())] = char(roll(256));
            break;
        default: { // lines from another script spliced in
            const Script& other = seeds_[roll(seeds_.size())];
            const std::size_t from = roll(other.size()), count = roll(10);
            for (std::size_t i = 0; i < count && from + i < other.size(); ++i)
                insert(at + i, other[from + i]);
        }
        }
    }

    Vocabulary words_;
    std::vector<Script> seeds_;
    std::mt19937 pick_;
};

std::vector<Script> readSeeds(const std::filesystem::path& folder) {
    std::vector<Script> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".kzs")
            continue;
        std::ifstream in(entry.path());
        Script s;
        for (std::string l; std::getline(in, l);)
            s.push_back(l);
        seeds.push_back(s);
    }
    return seeds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::cerr << "usage: fuzz_scripts SCRIPT_DIR COUNT [SEED]\n";
        return 2;
    }
    const std::vector<Script> seeds = readSeeds(argv[1]);
    const long count = std::atol(argv[2]);
    if (seeds.empty() || count <= 0) {
        std::cerr << "fuzz_scripts: no scripts in " << argv[1] << " or no count\n";
        return 2;
    }
    Fuzzer fuzzer(seeds, argc == 4 ? std::uint32_t(std::atol(argv[3])) : 2026u);
    std::signal(SIGALRM, onTimeOut);

    long failed = 0, malformed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i) {
        std::string text;
        for (const std::string& l : fuzzer.next())
            text += l + "\n";
        std::snprintf(current, sizeof current, "%s", text.c_str());
        std::istringstream in(text);
        kazuroi::LineReader lines(in);
        std::ostringstream out, err;
        ::alarm(kSecondsPerScript);
        const int status = kazuroi::runScript(lines, out, err);
        ::alarm(0);
        malformed += status == 2;
        if (std::getenv("FUZZ_SHOW_ERRORS") && status == 2)
            std::cerr << err.str();
        if ((status != 0 && status != 2) || (status == 2 && err.str().empty())) {
            std::ofstream("fuzz_failure.kzs") << text;
            std::cerr << "fuzz_scripts: status " << status << " without a message; the script is"
                      << " in fuzz_failure.kzs\n";
            ++failed;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::cout << count << " scripts, " << malformed << " refused as malformed, " << failed
              << " failed, in " << took.count() << " s\n";
    return failed == 0 ? 0 : 1;
}
