// The benchmark's findings: per scene, how long drawing one frame took
// (median, 95th percentile, maximum), as a table or one JSON object.
#pragma once

#include <map>
#include <string>
#include <vector>

class BenchReport {
public:
  struct Percentiles {
    double median, p95, max;
  };

  // Scenes are reported in the order their first frame arrives.
  void AddFrame(const std::string& scene, double milliseconds);
  // The loading screen's work apart from its sleeps and waits.
  void SetLoading(double milliseconds) { loadingMs_ = milliseconds; }
  // How long a jump to `where` ("middle", "end") of `scene` took to land,
  // on the wall clock and in processor time.
  void AddJump(const std::string& scene, const std::string& where, double wallMs, double processorMs) {
    jumps_.push_back({scene, where, wallMs, processorMs});
  }
  void Print(bool json, int depth, double totalMs) const;
  // "scene": median, ... (JSON members, no braces).
  void PrintMedians() const;

private:
  std::vector<std::string> order_;
  std::map<std::string, std::vector<double>> times_;
  double loadingMs_ = 0;
  struct Jump {
    std::string scene, where;
    double wallMs, processorMs;
  };
  std::vector<Jump> jumps_;

  Percentiles JumpSummary(double Jump::*field) const;
};
