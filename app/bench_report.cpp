#include "app/bench_report.h"

#include <algorithm>
#include <cstdio>

namespace {
using Percentiles = BenchReport::Percentiles;

Percentiles Summarise(std::vector<double> v) {
  if (v.empty()) return {0, 0, 0};
  std::sort(v.begin(), v.end());
  auto at = [&](double q) { return v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))]; };
  return {at(0.5), at(0.95), v.back()};
}
}  // namespace

void BenchReport::AddFrame(const std::string& scene, double milliseconds) {
  auto [it, added] = times_.try_emplace(scene);
  if (added) order_.push_back(scene);
  it->second.push_back(milliseconds);
}

void BenchReport::PrintMedians() const {
  const char* comma = "";
  for (const std::string& name : order_) {
    std::printf("%s\"%s\": %.4f", comma, name.c_str(), Summarise(times_.at(name)).median);
    comma = ", ";
  }
}

void BenchReport::Print(bool json, int depth, double totalMs) const {
  if (json) {
    std::printf("{\"depth\": %d, \"loading_ms\": %.3f, \"total_ms\": %.3f, \"scenes\": [", depth, loadingMs_, totalMs);
    const char* comma = "";
    for (const std::string& name : order_) {
      const std::vector<double>& t = times_.at(name);
      const Percentiles p = Summarise(t);
      std::printf("%s{\"scene\": \"%s\", \"frames\": %zu, \"median_ms\": %.4f, \"p95_ms\": %.4f, \"max_ms\": %.4f}",
                  comma, name.c_str(), t.size(), p.median, p.p95, p.max);
      comma = ", ";
    }
    std::printf("]");
    if (!jumps_.empty()) {
      const Percentiles wall = JumpSummary(&Jump::wallMs), cpu = JumpSummary(&Jump::processorMs);
      std::printf(", \"jump_median_ms\": %.1f, \"jump_max_ms\": %.1f, \"jump_processor_median_ms\": %.1f, "
                  "\"jump_processor_max_ms\": %.1f, \"jumps\": [",
                  wall.median, wall.max, cpu.median, cpu.max);
      comma = "";
      for (const Jump& j : jumps_) {
        std::printf("%s{\"scene\": \"%s\", \"to\": \"%s\", \"ms\": %.1f, \"processor_ms\": %.1f}", comma,
                    j.scene.c_str(), j.where.c_str(), j.wallMs, j.processorMs);
        comma = ", ";
      }
      std::printf("]");
    }
    std::printf("}\n");
    return;
  }
  std::printf("quietorbit benchmark, %d bits per pixel (processor time to draw one frame; pacing and present excluded)\n",
              depth);
  std::printf("%-10s %8s %10s %10s %10s\n", "scene", "frames", "median ms", "p95 ms", "max ms");
  for (const std::string& name : order_) {
    const std::vector<double>& t = times_.at(name);
    const Percentiles p = Summarise(t);
    std::printf("%-10s %8zu %10.3f %10.3f %10.3f\n", name.c_str(), t.size(), p.median, p.p95, p.max);
  }
  std::printf("loading: %.1f ms of work (its sleeps and waits not counted)\n", loadingMs_);
  std::printf("total:   %.1f ms\n", totalMs);
  if (jumps_.empty()) return;
  std::printf("jumps (from the jump to its first frame presented)  wall ms  processor ms\n");
  for (const Jump& j : jumps_)
    std::printf("  %-10s %-7s %33.1f %13.1f\n", j.scene.c_str(), j.where.c_str(), j.wallMs, j.processorMs);
  const Percentiles wall = JumpSummary(&Jump::wallMs), cpu = JumpSummary(&Jump::processorMs);
  std::printf("  median %.1f ms wall, %.1f ms processor; worst %.1f ms wall, %.1f ms processor\n", wall.median,
              cpu.median, wall.max, cpu.max);
}

BenchReport::Percentiles BenchReport::JumpSummary(double Jump::*field) const {
  std::vector<double> ms;
  for (const Jump& j : jumps_) ms.push_back(j.*field);
  return Summarise(ms);
}
