// A Form1 on the headless platform, for unit tests.
#pragma once

#include "game/form1.h"
#include "headless/headless_platform.h"

#include <string>
#include <vector>

namespace kazuroi {

struct TestForm {
    std::vector<std::string> printed;
    HeadlessPlatform platform{[this](const std::string& line) { printed.push_back(line); }};
    Form1 form{platform};

    // Puts four digits in slots 0-3 with orderings built, as the solver expects them.
    void digits(const char* four) {
        form.sub順列作成();
        for (int i = 0; i < 4; ++i)
            form.SlotValues[i] = std::int16_t(four[i] - '0');
    }
};

} // namespace kazuroi
