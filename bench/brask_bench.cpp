// Figures for the harness's hot paths and whole mock runs.
//
//   brask_bench [--no-runs] [benchmark flags]  micro benchmarks, then whole runs (each in a child
//                                              process) unless --no-runs
//   brask_bench --run PRESET TURNS             one whole run; prints "wall_s cpu_s events cycles
//                                              detections interventions peak_rss_kb"
//
// Whole runs go into a fresh child process each so that its peak resident memory is its own.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "brask/agent/mock_agent.h"
#include "brask/core/events.h"
#include "brask/core/observation.h"
#include "brask/harness/blocking.h"
#include "brask/harness/catalogue.h"
#include "brask/harness/factory.h"
#include "brask/harness/pipeline.h"
#include "brask/harness/presets.h"
#include "brask/harness/runtime.h"

namespace {

using namespace brask;

constexpr std::string_view kAgentId = "bench-agent";
constexpr std::string_view kTask = "t";

// The mock agent's four events of one turn, as it makes them.
std::vector<core::AgentEvent> turn_events(std::uint64_t turn) {
  const auto now = core::utc_now();
  const std::string id(kAgentId);
  nlohmann::json args = nlohmann::json::object();
  args["query"] = fmt::format("turn_{}", turn);
  std::vector<core::AgentEvent> events;
  events.emplace_back(core::event::ThinkingStart{id, now});
  events.emplace_back(core::event::ToolCallStart{id, "mock_search", std::move(args), now});
  events.emplace_back(core::event::ToolCallEnd{
      id, "mock_search", core::ToolResult{fmt::format("result_turn_{}", turn), false, 50, 100},
      now});
  events.emplace_back(core::event::ThinkingEnd{id, now});
  return events;
}

// One observe call of one watcher on the mock's tool call start and end.
void BM_Observe(benchmark::State& state, std::string_view watcher, std::size_t which) {
  auto observer = harness::make_observer(watcher);
  const auto event = turn_events(7)[which];
  for (auto _ : state) {
    auto record = observer->observe(event);
    benchmark::DoNotOptimize(record);
  }
}

// One record as a counting watcher builds it.
void BM_BuildRecord(benchmark::State& state) {
  for (auto _ : state) {
    core::Observation record("token_efficiency");
    record.set_count("input_tokens", 100).set_count("output_tokens", 50).set_number("ratio", 0.5);
    benchmark::DoNotOptimize(record);
  }
}
BENCHMARK(BM_BuildRecord);

// Reading a key most records lack, as detectors do for every record of a cycle.
void BM_FindAbsentKey(benchmark::State& state) {
  core::Observation record("token_efficiency");
  record.set_count("input_tokens", 100).set_count("output_tokens", 50).set_number("ratio", 0.5);
  for (auto _ : state) {
    auto value = record.get_number("cost_usd");
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_FindAbsentKey);

// One cycle of a preset's pipeline over a full history of mock events.
void BM_CycleFullHistory(benchmark::State& state, harness::Preset preset) {
  harness::Pipeline pipeline(
      std::make_shared<const harness::PluginRegistry>(harness::build_registry_from_preset(preset)),
      false);
  for (std::uint64_t turn = 0; turn < harness::EventBus::kMaxHistory / 4; ++turn) {
    for (auto& event : turn_events(turn)) pipeline.feed(event);
  }
  for (auto _ : state) {
    auto interventions = pipeline.cycle(kAgentId);
    benchmark::DoNotOptimize(interventions);
  }
  state.counters["observations"] =
      static_cast<double>(pipeline.last_cycle() ? pipeline.last_cycle()->observations.size() : 0);
}
BENCHMARK_CAPTURE(BM_CycleFullHistory, solo, harness::Preset::Solo)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CycleFullHistory, claude_code, harness::Preset::ClaudeCode)
    ->Unit(benchmark::kMicrosecond);

// A whole short run from the C++ side, as quick_run("t") makes it.
void BM_QuickRunCpp(benchmark::State& state) {
  for (auto _ : state) {
    auto agent = std::make_shared<agent::MockAgent>(std::string(kAgentId), 4);
    auto result = harness::run_blocking(
        harness::run_harness_session(harness::Preset::Solo, std::move(agent), std::string(kTask)));
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_QuickRunCpp)->Unit(benchmark::kMicrosecond);

// Its parts: the registry a run builds first, and the same run with no plugins (the runtime, the
// agent and the event bus alone).
void BM_BuildRegistry(benchmark::State& state) {
  for (auto _ : state) {
    auto registry = harness::build_registry_from_preset(harness::Preset::Solo);
    benchmark::DoNotOptimize(registry);
  }
}
BENCHMARK(BM_BuildRegistry)->Unit(benchmark::kMicrosecond);

void BM_QuickRunWithoutPlugins(benchmark::State& state) {
  for (auto _ : state) {
    auto agent = std::make_shared<agent::MockAgent>(std::string(kAgentId), 4);
    auto result = harness::run_blocking(harness::run_with_registry(
        harness::PluginRegistry{},
        harness::RuntimeConfig{.session_id = std::nullopt, .dry_run = false}, std::string(kTask),
        std::move(agent)));
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_QuickRunWithoutPlugins)->Unit(benchmark::kMicrosecond);

void register_observe_benchmarks() {
  constexpr std::array<std::pair<std::string_view, std::size_t>, 2> kEvents = {{
      {"tool_call_start", 1},
      {"tool_call_end", 2},
  }};
  for (const auto& entry : harness::observer_catalogue()) {
    for (const auto& [tag, which] : kEvents) {
      benchmark::RegisterBenchmark(fmt::format("BM_Observe/{}/{}", entry.name, tag).c_str(),
                                   BM_Observe, entry.name, which);
    }
  }
}

std::optional<harness::Preset> preset_named(std::string_view name) {
  for (const auto preset : harness::all_presets()) {
    if (harness::preset_name(preset) == name) return preset;
  }
  return std::nullopt;
}

struct Usage {
  double cpu_s;
  long peak_rss_kb;
};

Usage own_usage() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss};
}

// The child's side: one whole run.
int whole_run(std::string_view preset_text, std::uint32_t turns) {
  const auto preset = preset_named(preset_text);
  if (!preset) {
    std::fprintf(stderr, "unknown preset %.*s\n", static_cast<int>(preset_text.size()),
                 preset_text.data());
    return 2;
  }
  auto agent = std::make_shared<agent::MockAgent>(std::string(kAgentId), turns);
  const auto cpu_before = own_usage().cpu_s;
  const auto start = std::chrono::steady_clock::now();
  auto result = harness::run_blocking(
      harness::run_harness_session(*preset, std::move(agent), std::string(kTask)));
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  if (!result) {
    std::fprintf(stderr, "run failed: %s\n", result.error().message().c_str());
    return 1;
  }
  const std::uint64_t events = 4 * std::uint64_t{turns} + 3;  // the script plus the runtime's start
  const auto usage = own_usage();
  std::printf("%.6f %.6f %llu %llu %llu %llu %ld\n", wall.count(), usage.cpu_s - cpu_before,
              static_cast<unsigned long long>(events),
              static_cast<unsigned long long>(result->observation_count),
              static_cast<unsigned long long>(result->detection_count),
              static_cast<unsigned long long>(result->intervention_count), usage.peak_rss_kb);
  return 0;
}

// The parent's side: one child per run, its figures in a table.
int whole_runs(const char* self) {
  struct Case {
    std::string_view preset;
    std::uint32_t turns;
  };
  constexpr std::array<Case, 4> kCases = {{
      {"solo", 1000},
      {"solo", 10000},
      {"claude-code", 1000},
      {"claude-code", 10000},
  }};
  std::printf("\n%-12s %6s %9s %8s %12s %11s %11s %8s %13s\n", "preset", "turns", "wall_s", "cpu_s",
              "events/s", "cycles/s", "detections", "interv", "peak_rss_MB");
  int status = 0;
  for (const auto& c : kCases) {
    const auto command =
        fmt::format("'{}' --run '{}' {}", self, c.preset, c.turns);  // our own fixed arguments
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return 1;
    double wall = 0;
    double cpu = 0;
    unsigned long long events = 0, cycles = 0, detections = 0, interventions = 0;
    long rss_kb = 0;
    const int read = std::fscanf(pipe, "%lf %lf %llu %llu %llu %llu %ld", &wall, &cpu, &events,
                                 &cycles, &detections, &interventions, &rss_kb);
    if (pclose(pipe) != 0 || read != 7) {
      std::printf("%-12.*s %6u  run failed\n", static_cast<int>(c.preset.size()), c.preset.data(),
                  c.turns);
      status = 1;
      continue;
    }
    std::printf("%-12.*s %6u %9.3f %8.3f %12.0f %11.0f %11llu %8llu %13.1f\n",
                static_cast<int>(c.preset.size()), c.preset.data(), c.turns, wall, cpu,
                static_cast<double>(events) / wall, static_cast<double>(cycles) / wall, detections,
                interventions, static_cast<double>(rss_kb) / 1024.0);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "--run") {
    return whole_run(argv[2], static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)));
  }
  bool runs = true;
  std::vector<char*> args(argv, argv + argc);
  if (argc > 1 && std::string_view(argv[1]) == "--no-runs") {
    runs = false;
    args.erase(args.begin() + 1);
  }
  argc = static_cast<int>(args.size());
  argv = args.data();
  register_observe_benchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!runs) return 0;
  // The path of this binary, for the children (a shell's /proc/self/exe would be the shell).
  std::array<char, 4096> self{};
  if (readlink("/proc/self/exe", self.data(), self.size() - 1) <= 0) return 1;
  return whole_runs(self.data());
}
