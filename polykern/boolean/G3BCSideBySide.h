#pragma once

#include <future>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "polykern/foundation/GTrace.h"

/// Two steps of one operation that touch disjoint data, run at once on this thread and
/// the library's one helper thread. Internal to the library.
namespace g3bcside {

/// Below this many facets on either side, steps run one after the other: a thread costs
/// more than the smaller step.
constexpr int kFacets = 4096;

/// Held by the caller whose second step runs on the helper; its scratch goes with it.
std::mutex& HelperLock();

/// Whether this thread is running steps side by side (as the caller or as the helper): a
/// step that asks for the helper again runs its halves one after the other.
bool& Busy();

/// Runs `first()` here and `second(true)` on the helper at once when `wanted`, the helper
/// is free and a thread can be had; otherwise `first()` then `second(false)`, here. The
/// trace messages of the second reach the receiver after those of the first, as they
/// would one after the other.
template <class First, class Second>
void Run(bool wanted, First&& first, Second&& second) {
    std::unique_lock<std::mutex> helper(HelperLock(), std::defer_lock);
    std::vector<std::string> lines;
    std::future<void> other;
    try {
        if (wanted && !Busy() && helper.try_lock()) {
            other = std::async(std::launch::async, [&second, &lines] {
                Busy() = true;
                GTrace::Collect(&lines);
                second(true);
                GTrace::Collect(nullptr);
                Busy() = false;
            });
        }
    } catch (const std::system_error&) {
        // No thread to be had: one after the other.
    }
    if (!other.valid()) {
        first();
        second(false);
        return;
    }
    // Cleared however `first` leaves, so that a throw does not keep this thread busy.
    struct Done {
        ~Done() { Busy() = false; }
    } done;
    Busy() = true;
    first();
    other.get();
    for (const std::string& line : lines) GTrace::Message(line.c_str());
}

}  // namespace g3bcside
