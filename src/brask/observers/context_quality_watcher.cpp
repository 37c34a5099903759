#include "brask/observers/context_quality_watcher.h"

#include "brask/observers/figures.h"

namespace brask::observers {
namespace {

// Only these two spellings of the read tool count; other file tools are not reads.
bool is_read_tool(std::string_view tool) {
  return tool == "read" || tool == "Read";
}

// The "file_path" string of an argument object, or nothing.
const std::string* file_path_of(const nlohmann::json& args) {
  if (!args.is_object()) return nullptr;
  const auto found = args.find("file_path");
  if (found == args.end() || !found->is_string()) return nullptr;
  return found->get_ptr<const std::string*>();
}

}  // namespace

std::optional<core::Observation> ContextQualityWatcher::observe(const core::AgentEvent& event) {
  const auto* call = event.get_if<core::event::ToolCallStart>();
  const std::string* path =
      (call != nullptr && is_read_tool(call->tool)) ? file_path_of(call->args) : nullptr;
  if (path != nullptr) reads_.fetch_add(1, std::memory_order_relaxed);
  std::uint64_t unique_files = 0;
  {
    std::lock_guard lock(files_mutex_);
    if (path != nullptr) {
      if (files_read_.contains(*path)) {
        duplicate_reads_.fetch_add(1, std::memory_order_relaxed);
      } else {
        files_read_.insert(*path);
      }
    }
    unique_files = files_read_.size();
  }
  // Duplicates first: every duplicate was counted as a read before it, so the ratio stays <= 1
  // even while other threads are counting.
  const auto duplicates = static_cast<double>(duplicate_reads_.load(std::memory_order_relaxed));
  const auto reads = static_cast<double>(reads_.load(std::memory_order_relaxed));
  std::optional<core::Observation> record(std::in_place, kName);
  record->set_number("redundancy_ratio", figures::share(duplicates, reads, 0.0))
      .set_count("unique_files", unique_files);
  return record;
}

}  // namespace brask::observers
