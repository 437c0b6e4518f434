// What the settings store costs the player: the read at start-up (before the first box) and the
// save at close, for a file of the game's own two keys and for one of a megabyte that other
// programs share; and at start-up with no file, and with one too large to be read at all.
#include "qt/settings_file.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A settings file of at most SIZE bytes, and nearly that: the game's section, then other
// programs' sections.
std::string fileOf(std::size_t size) {
    std::string text = "[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n";
    for (int s = 0; text.size() < size; ++s) {
        text += "\n[Other" + std::to_string(s) + "]\n";
        for (int k = 0; k < 20 && text.size() < size; ++k)
            text += "key" + std::to_string(k) + "=\"some value, " + std::string(30, 'x') + "\"\n";
    }
    return text.substr(0, text.rfind('\n', size - 1) + 1);
}

class Folder {
  public:
    Folder() {
        char name[] = "/tmp/kazuroi-bench-XXXXXX";
        path_ = ::mkdtemp(name);
    }
    ~Folder() { fs::remove_all(path_); }
    fs::path ini() const { return path_ / "kazuroi.ini"; }

  private:
    fs::path path_;
};

void put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void ReadAtStartUp(benchmark::State& state) {
    Folder folder;
    if (state.range(0) > 0) // 0: no file
        put(folder.ini(), fileOf(std::size_t(state.range(0))));
    for (auto _ : state) {
        kazuroi::SettingsFile file(folder.ini());
        benchmark::DoNotOptimize(file.read("Startup", "Left"));
        benchmark::DoNotOptimize(file.read("Startup", "Top"));
    }
}
BENCHMARK(ReadAtStartUp)
    ->Arg(0)
    ->Arg(100)
    ->Arg(1 << 20)
    ->Arg(2 << 20)
    ->Unit(benchmark::kMicrosecond);

// A start-up read, then the save at close, as one run of the game does them.
void ReadThenSave(benchmark::State& state) {
    Folder folder;
    put(folder.ini(), fileOf(std::size_t(state.range(0))));
    int left = 0;
    for (auto _ : state) {
        kazuroi::SettingsFile file(folder.ini());
        benchmark::DoNotOptimize(file.read("Startup", "Left"));
        const auto saved =
            file.write("Startup", {{"Left", " " + std::to_string(++left % 9000)}, {"Top", " 960"}});
        if (!saved.failure.empty())
            state.SkipWithError(saved.failure.c_str());
    }
}
BENCHMARK(ReadThenSave)->Arg(100)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

} // namespace
