#pragma once
#include <deque>
#include <string>
#include <vector>

#include "core/platform/Dialogs.h"

namespace qor::test {

// Answers message boxes from a queue and records every text shown, so tests can assert
// on exact texts. With no scripted answer left it presses the first button offered.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        MessageKind kind;
        std::string text;
        std::vector<Button> buttons;
    };

    Button message(MessageKind kind, const std::string& text,
                   const std::vector<Button>& buttons) override {
        shown.push_back({kind, text, buttons});
        if (!answers.empty()) {
            Button b = answers.front();
            answers.pop_front();
            return b;
        }
        return buttons.empty() ? Button::Ok : buttons.front();
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& s : shown) t.push_back(s.text);
        return t;
    }

    std::deque<Button> answers;
    std::vector<Shown> shown;
};

}  // namespace qor::test
