// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tosk {

enum class AlertStyle { Critical, Informational, Warning };

struct AlertRequest {
    AlertStyle style = AlertStyle::Critical;
    std::string title;
    std::string message;
    std::vector<std::string> buttons; // first is the default; empty means just "OK"
    const void* window = nullptr;     // non-null: a sheet on that window
    // The button Escape and closing the alert answer; -1: Cancel when there
    // is one, else the only button.
    int escapeButton = -1;
};

// What the model found wrong while reading, building or checking, in the
// order found, each as the alert that tells the user. The model only
// collects them; the layer that started the work shows them (Alerts::show),
// so the model runs the same with no window system at all.
class Problems {
public:
    void add(AlertStyle style, std::string title, std::string message, std::vector<std::string> buttons)
    {
        list_.push_back(AlertRequest{style, std::move(title), std::move(message), std::move(buttons)});
    }
    void append(const Problems& other) { list_.insert(list_.end(), other.list_.begin(), other.list_.end()); }
    const std::vector<AlertRequest>& list() const { return list_; }
    bool empty() const { return list_.empty(); }
    void clear() { list_.clear(); }
    // Answers the problems and forgets them, so that each is shown once.
    Problems take() { return std::exchange(*this, Problems()); }

private:
    std::vector<AlertRequest> list_;
};

} // namespace tosk
