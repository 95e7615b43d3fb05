#pragma once
#include <string>
#include <vector>

namespace qor {

enum class MessageKind { Plain, Information, Warning, Error, Confirmation };
enum class Button { Ok, Cancel, Yes, No, Ignore, Abort, Retry, All };

// Modal message boxes. The host keeps timers and port events running while one is open.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows text exactly as given; returns the button pressed.
    virtual Button message(MessageKind kind, const std::string& text,
                           const std::vector<Button>& buttons) = 0;
};

// The desktop's document opener ("open" verb). Returns false when the file is missing.
class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    virtual bool open(const std::string& path) = 0;
};

}  // namespace qor
