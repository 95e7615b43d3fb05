#include "ui/QtFileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace qor::ui {

QString QtFileDialogs::filterOf(const std::string& filter) {
    const QString f = QString::fromStdString(filter);
    const qsizetype bar = f.indexOf(QLatin1Char('|'));
    if (bar < 0) return f;
    const QString pattern = f.mid(bar + 1);
    // A pattern like "*e00" is meant as "*.e00".
    QString p = pattern;
    if (p.startsWith(QLatin1String("*")) && !p.startsWith(QLatin1String("*.")))
        p = QStringLiteral("*.") + p.mid(1);
    return f.left(bar).trimmed().section(QLatin1Char('('), 0, 0).trimmed() + QStringLiteral(" (") +
           p + QStringLiteral(")");
}

std::optional<std::string> QtFileDialogs::run(const FileDialogSpec& request, bool save) {
    QFileDialog dialog(parent_ ? parent_() : nullptr, QString::fromStdString(request.title),
                       QString::fromStdString(request.initialDir), filterOf(request.filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.initialName.empty()) dialog.selectFile(QString::fromStdString(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

std::optional<std::string> QtFileDialogs::getSaveFileName(const FileDialogSpec& request) {
    return run(request, true);
}

std::optional<std::string> QtFileDialogs::getOpenFileName(const FileDialogSpec& request) {
    return run(request, false);
}

}  // namespace qor::ui
