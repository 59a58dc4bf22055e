// Text benchmark: the conversions the scan worker makes for every path (UTF-16 to the ANSI code
// page and back) and the log line format, each as the median of N runs over fixed inputs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/utsname.h>
#include <vector>

#include <windows.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int RUNS = 9;
constexpr int PATHS = 20000;

struct Case {
    const char* name;
    UINT codePage;
    std::u16string path;
};

template <typename Work>
double MedianMicroseconds(Work work)
{
    std::vector<double> samples;
    for (int run = 0; run < RUNS; ++run) {
        Clock::time_point start = Clock::now();
        work();
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    return samples[RUNS / 2];
}

void BenchConversion(const Case& c)
{
    char narrow[MAX_PATH * 2];
    WCHAR wide[MAX_PATH];
    int sink = 0;
    double micros = MedianMicroseconds([&] {
        for (int i = 0; i < PATHS; ++i) {
            int bytes = WideCharToMultiByte(c.codePage, 0, c.path.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
            sink += MultiByteToWideChar(c.codePage, 0, narrow, bytes, wide, MAX_PATH);
        }
    });
    std::printf("%-28s %8.1f ns per path round trip (%d)\n", c.name, micros * 1000 / PATHS, sink > 0);
}

void BenchLogLine()
{
    WCHAR line[WSPRINTF_MAX + 1];
    int sink = 0;
    double micros = MedianMicroseconds([&] {
        for (int i = 0; i < PATHS; ++i)
            sink += wsprintfW(line, u"%d.%d.%d %d:%d %s", 2006, 9, 5, 8, i % 60, u"\\Storage\\Program Files\\a.exe");
    });
    std::printf("%-28s %8.1f ns per line (%d)\n", "wsprintfW log line", micros * 1000 / PATHS, sink > 0);
}

}  // namespace

int main()
{
    utsname machine {};
    uname(&machine);
    std::printf("machine: %s %s, median of %d runs of %d\n", machine.machine, machine.release, RUNS, PATHS);
    const Case cases[] = {
        { "ASCII path, 1252", 1252, u"\\Storage\\Program Files\\OrvMobile\\Lib\\Verdane.dll" },
        { "accented path, 1252", 1252, u"\\Storage\\Mes Documents\\R\u00E9sum\u00E9 \u00E9t\u00E9.doc" },
        { "Chinese path, 936", 936, u"\\Storage\\\u6211\u7684\u6587\u6863\\\u62A5\u544A.doc" },
        { "Chinese path, 950", 950, u"\\Storage\\\u6211\u7684\u6587\u4EF6\\\u5831\u544A.doc" },
        { "ASCII path, UTF-8", CP_UTF8, u"\\Storage\\Program Files\\OrvMobile\\Lib\\Verdane.dll" },
    };
    for (const Case& c : cases)
        BenchConversion(c);
    BenchLogLine();
    return 0;
}
