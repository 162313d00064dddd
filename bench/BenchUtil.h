// Minimal timing harness for benchmarks that run as Windows programs under Wine,
// where Google Benchmark is not available. Reports the median and the 99th
// percentile of repeated runs so one noisy sample does not decide a ratio.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace cwbench {

struct Result {
    std::string name;
    double median_ns = 0;
    double p99_ns = 0;
    double mean_ns = 0;
    size_t samples = 0;
};

// Runs `body` `warmup` times untimed, then `samples` times, each sample timing
// `batch` calls; the per-call time of each sample is kept.
inline Result Measure(const std::string& name, const std::function<void()>& body, size_t samples = 200,
                      size_t batch = 1, size_t warmup = 10) {
    for (size_t i = 0; i < warmup; ++i) body();
    std::vector<double> per_call;
    per_call.reserve(samples);
    for (size_t s = 0; s < samples; ++s) {
        auto t0 = std::chrono::steady_clock::now();
        for (size_t b = 0; b < batch; ++b) body();
        auto t1 = std::chrono::steady_clock::now();
        per_call.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count() / static_cast<double>(batch));
    }
    std::sort(per_call.begin(), per_call.end());
    Result r;
    r.name = name;
    r.samples = samples;
    r.median_ns = per_call[per_call.size() / 2];
    r.p99_ns = per_call[std::min(per_call.size() - 1, per_call.size() * 99 / 100)];
    double sum = 0;
    for (double v : per_call) sum += v;
    r.mean_ns = sum / static_cast<double>(per_call.size());
    return r;
}

inline void Print(const Result& r) {
    std::printf("%-48s median %12.1f ns   p99 %12.1f ns   mean %12.1f ns   (%zu samples)\n", r.name.c_str(),
                r.median_ns, r.p99_ns, r.mean_ns, r.samples);
}

inline void PrintRatio(const char* what, const Result& a, const Result& b) {
    std::printf("%-48s %8.2fx  (%s / %s, medians)\n", what, a.median_ns / b.median_ns, a.name.c_str(),
                b.name.c_str());
}

}  // namespace cwbench
