// The settings store on a title database of 50,000 discs (about a million lines), each
// figure beside its floor measured in the same binary: reading the file and splitting it
// into lines, and writing the same bytes. Memory is the bytes the store keeps allocated
// and the allocations it makes, and the peak of the process's resident memory while it
// loads, as the kernel counts it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "platform/FileIo.h"
#include "titles/IniStore.h"

// ---- allocation counting ----------------------------------------------------------

// Counting is on only while BM_Memory builds a store, so the timed runs pay nothing.
static bool gCounting = false;
static long long gLiveBytes = 0;
static long long gAllocations = 0;

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    if (gCounting) {
        gLiveBytes += static_cast<long long>(malloc_usable_size(p));
        ++gAllocations;
    }
    return p;
}
void operator delete(void* p) noexcept {
    if (gCounting && p != nullptr) {
        gLiveBytes -= static_cast<long long>(malloc_usable_size(p));
    }
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

constexpr int kDiscs = 50000;
constexpr int kLookups = 1000;

struct Database {
    std::string path;
    std::vector<std::string> sections;
    std::size_t bytes = 0;
};

// A title database as the program writes it: the settings, then one record per disc with
// Japanese (code page 932) and ASCII track names.
const Database& TheDatabase() {
    static const Database db = [] {
        Database d;
        auto dir = std::filesystem::temp_directory_path() / "lintel-bench";
        std::filesystem::create_directories(dir);
        d.path = (dir / "lintel.ini").string();
        std::mt19937 rng(42);
        const char* words[] = {"Blue",
                               "Night",
                               "\x83\x41\x83\x43",
                               "\x89\xCC",
                               "Song",
                               "\x8C\x8E",
                               "Rain",
                               "\x83\x7E\x83\x85\x81\x5B\x83\x57\x83\x62\x83\x4E"};
        auto phrase = [&] {
            std::string s;
            int n = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < n; ++i) {
                if (i > 0) {
                    s += ' ';
                }
                s += words[rng() % 8];
            }
            return s;
        };
        std::string text = "[Config]\r\nTimerInt=1000\r\nDrive=D:\r\n\r\n";
        for (int disc = 0; disc < kDiscs; ++disc) {
            char id[16];
            std::snprintf(id, sizeof id, "%X", 0x10000000u + static_cast<unsigned>(disc) * 7919u);
            d.sections.push_back(id);
            int tracks = 10 + static_cast<int>(rng() % 11);  // about 15 on average
            auto line = [&](const std::string& key, const std::string& value) {
                text.append(key).append("=").append(value).append("\r\n");
            };
            text.append("[").append(id).append("]\r\n");
            line("EntryType", "1");
            line("artist", phrase());
            line("title", phrase());
            line("numtracks", std::to_string(tracks));
            for (int t = 0; t < tracks; ++t) {
                line(std::to_string(t), phrase());
            }
            text += "order=\r\n\r\n";
        }
        std::ofstream(d.path, std::ios::binary) << text;
        d.bytes = text.size();
        return d;
    }();
    return db;
}

void BM_LoadFloor(benchmark::State& state) {
    const Database& db = TheDatabase();
    std::vector<std::string_view> lines;  // reused, so the floor pays no growth
    for (auto _ : state) {
        std::string contents, error;
        lintel::ReadWholeFile(db.path, contents, error);
        lines.clear();
        std::size_t start = 0;
        while (start < contents.size()) {
            std::size_t end = contents.find('\n', start);
            if (end == std::string::npos) {
                end = contents.size();
            }
            lines.emplace_back(contents.data() + start, end - start);
            start = end + 1;
        }
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * db.bytes));
}

void BM_Load(benchmark::State& state) {
    const Database& db = TheDatabase();
    for (auto _ : state) {
        auto store = std::make_unique<lintel::TIniStore>(db.path);
        benchmark::DoNotOptimize(store.get());
        state.PauseTiming();  // releasing the store is not part of loading it
        store.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * db.bytes));
}

// One ReadString per iteration, each on a random section and a random track key.
void BM_ReadString(benchmark::State& state) {
    const Database& db = TheDatabase();
    lintel::TIniStore store(db.path);
    std::mt19937 rng(7);
    std::vector<std::pair<std::string, std::string>> queries;
    for (int i = 0; i < kLookups; ++i) {
        queries.emplace_back(db.sections[rng() % db.sections.size()], std::to_string(rng() % 10));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [section, key] = queries[i++ % queries.size()];
        benchmark::DoNotOptimize(store.ReadString(section, key, ""));
    }
}

void BM_WriteBackFloor(benchmark::State& state) {
    const Database& db = TheDatabase();
    lintel::TIniStore store(db.path);
    const std::string bytes = store.Serialize();
    const std::string path = db.path + ".floor";
    for (auto _ : state) {
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        for (std::size_t done = 0; done < bytes.size();) {
            done += static_cast<std::size_t>(write(fd, bytes.data() + done, bytes.size() - done));
        }
        fsync(fd);
        close(fd);
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * bytes.size()));
}

void BM_WriteBack(benchmark::State& state) {
    const Database& db = TheDatabase();
    const std::string path = db.path + ".copy";
    std::filesystem::copy_file(db.path, path, std::filesystem::copy_options::overwrite_existing);
    lintel::TIniStore store(path);
    int n = 0;
    for (auto _ : state) {
        store.WriteInteger("Config", "TimerInt", ++n);
        if (!store.UpdateFile().Ok()) {
            state.SkipWithError("write-back failed");
        }
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * db.bytes));
}

// Bytes the loaded store keeps allocated, against the size of the file.
void BM_Memory(benchmark::State& state) {
    const Database& db = TheDatabase();
    long long held = 0;
    for (auto _ : state) {
        gLiveBytes = 0;
        gAllocations = 0;
        gCounting = true;
        auto store = std::make_unique<lintel::TIniStore>(db.path);
        gCounting = false;
        held = gLiveBytes;
        benchmark::DoNotOptimize(store.get());
    }
    state.counters["file_MB"] = static_cast<double>(db.bytes) / 1e6;
    state.counters["store_MB"] = static_cast<double>(held) / 1e6;
    state.counters["store_per_file"] = static_cast<double>(held) / static_cast<double>(db.bytes);
    state.counters["allocations"] = static_cast<double>(gAllocations);
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in megabytes.
double StatusMB(const std::string& field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field + ":", 0) == 0)
            return std::strtod(line.c_str() + field.size() + 1, nullptr) / 1024.0;
    }
    return -1;
}

// The resident memory loading the store adds at its peak (the file read whole beside the
// records cut from it) and once it is loaded. The kernel's peak mark is reset first.
void BM_PeakRss(benchmark::State& state) {
    const Database& db = TheDatabase();
    double before = 0, peak = 0, after = 0;
    for (auto _ : state) {
        before = StatusMB("VmRSS");
        std::ofstream("/proc/self/clear_refs") << "5";
        auto store = std::make_unique<lintel::TIniStore>(db.path);
        peak = StatusMB("VmHWM");
        after = StatusMB("VmRSS");
        benchmark::DoNotOptimize(store.get());
    }
    state.counters["peak_added_MB"] = peak - before;
    state.counters["held_added_MB"] = after - before;
}

// First: the memory the others freed would otherwise be counted before it.
BENCHMARK(BM_PeakRss)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadString)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_WriteBackFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    // Big blocks as a fresh program gets them: their own mappings, handed back when
    // freed. (Freeing the generated file would otherwise teach malloc to keep them.)
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    TheDatabase();  // generated once, outside every measurement
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
