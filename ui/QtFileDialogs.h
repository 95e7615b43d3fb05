#pragma once
#include <QWidget>
#include <functional>

#include "core/image/ParameterFile.h"

namespace qor::ui {

// Open and save dialogs for parameter files.
class QtFileDialogs : public FileDialogs {
  public:
    explicit QtFileDialogs(std::function<QWidget*()> parent = {}) : parent_(std::move(parent)) {}
    std::optional<std::string> getSaveFileName(const FileDialogSpec& request) override;
    std::optional<std::string> getOpenFileName(const FileDialogSpec& request) override;

    // "Description|pattern" -> "Description (pattern)"
    static QString filterOf(const std::string& filter);

  private:
    std::optional<std::string> run(const FileDialogSpec& request, bool save);
    std::function<QWidget*()> parent_;
};

}  // namespace qor::ui
