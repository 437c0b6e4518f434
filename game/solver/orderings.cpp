// The 24 orderings of the four board positions, built once at start-up.
#include "game/form1.h"

namespace kazuroi {

void Form1::sub順列作成() {
    std::array<std::int16_t, 5> w = {0, 1, 2, 3, 0}; // slot 4 is spare and stays 0
    std::int16_t count = 0;
    sub順列生成(w, 0, 3, count);
}

// Rotating the chosen element to the front keeps the rest in increasing order, so the rows come
// out in lexicographic order with the identity first.
void Form1::sub順列生成(std::array<std::int16_t, 5>& w, const std::int16_t& k,
                        const std::int16_t& n, std::int16_t& count) {
    if (k == n) {
        for (int p = 0; p < 4; ++p)
            Orderings[count][p] = w[p];
        ++count;
        return;
    }
    for (int j = k; j <= n; ++j) {
        std::int16_t kept = w[j];
        for (int i = j - 1; i >= k; --i)
            w[i + 1] = w[i];
        w[k] = kept;

        const std::int16_t next = static_cast<std::int16_t>(k + 1);
        sub順列生成(w, next, n, count);

        kept = w[k];
        for (int i = k; i <= j - 1; ++i)
            w[i] = w[i + 1];
        w[j] = kept;
    }
}

} // namespace kazuroi
