// kazuroi-levels: the solver's level for every digit string 0000-9999, or the totals per level.
#include "game/form1.h"
#include "game/solver/level_rating.h"
#include "headless/headless_platform.h"

#include <cstdio>
#include <cstring>
#include <map>

int main(int argc, char** argv) {
    const bool summary = argc == 2 && std::strcmp(argv[1], "--summary") == 0;
    if (argc > 2 || (argc == 2 && !summary)) {
        std::fprintf(stderr, "usage: kazuroi-levels [--summary]\n");
        return 2;
    }
    // The orderings as the game builds them at start-up.
    kazuroi::HeadlessPlatform platform([](const std::string&) {});
    kazuroi::Form1 form(platform);
    form.sub順列作成();
    const auto levels = kazuroi::rateEveryDigitString(form.Orderings);

    std::map<int, int> totals{{-1, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}};
    for (int digits = 0; digits < 10000; ++digits) {
        const int level = levels[std::size_t(digits)];
        ++totals[level];
        if (!summary)
            std::printf("%04d %d\n", digits, level);
    }
    if (summary)
        for (const auto& [level, count] : totals)
            std::printf("%d: %d\n", level, count);
    return 0;
}
