// Who answers each number of a kind: a command id, a timer, a control's
// notifications. Every number has one owner, named when it claims the
// number; a second claim of a number is refused and kept as a clash, so the
// panel can refuse to start instead of letting the order of registration
// decide which part answers a button.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vuv {

// A claim refused: the number, who owns it and who asked for it again.
struct Clash {
    int id = 0;
    std::string owner;
    std::string claimant;

    // "id 2301 claimed by <claimant>, already owned by <owner>", under the
    // name of what the numbers are.
    [[nodiscard]] std::string describe(std::string_view kind) const {
        std::string text(kind);
        text += " " + std::to_string(id) + " claimed by " + claimant + ", already owned by " + owner;
        return text;
    }
};

template <typename Handler>
class OwnerTable {
public:
    // Gives id to owner with its handler. False, keeping the first owner
    // and recording the clash, when the id has an owner already.
    bool claim(int id, std::string_view owner, Handler handler) {
        const auto [at, added] = entries_.try_emplace(id, Entry{std::string(owner), std::move(handler)});
        if (!added) clashes_.push_back(Clash{id, at->second.owner, std::string(owner)});
        return added;
    }

    // The handler of id; null when nobody claimed it.
    [[nodiscard]] const Handler* find(int id) const {
        const auto at = entries_.find(id);
        return at == entries_.end() ? nullptr : &at->second.handler;
    }
    // The owner's name; empty when nobody claimed it.
    [[nodiscard]] std::string_view ownerOf(int id) const {
        const auto at = entries_.find(id);
        return at == entries_.end() ? std::string_view() : std::string_view(at->second.owner);
    }
    [[nodiscard]] std::size_t size() const noexcept { return entries_.size(); }

    // The claims refused so far, in the order they were made.
    [[nodiscard]] const std::vector<Clash>& clashes() const noexcept { return clashes_; }

private:
    struct Entry {
        std::string owner;
        Handler handler;
    };
    std::unordered_map<int, Entry> entries_;
    std::vector<Clash> clashes_;
};

}  // namespace vuv
