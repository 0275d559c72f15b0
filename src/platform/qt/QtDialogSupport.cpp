#include "QtDialogSupport.h"

#include "PlatformTypes.h"

#include <QDir>
#include <QFileDialog>
#include <QPushButton>

namespace platform {

namespace {

QString labelFor(QString name, const QStringList& patterns) {
    name = name.trimmed();
    // "Name(*.a;*.b)": the classic dialog shows the name as given; Qt reads the patterns from the
    // last parenthesised group, so that group is rebuilt from the pattern field.
    if (name.endsWith(')')) {
        const qsizetype open = name.lastIndexOf('(');
        if (open >= 0)
            name = name.left(open).trimmed();
    }
    const QString group = "(" + patterns.join(' ') + ")";
    return name.isEmpty() ? group : name + " " + group;
}

} // namespace

QStringList qtNameFilters(const std::string& filter) {
    const QStringList fields = QString::fromStdString(filter).split('|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        // An empty field is where the classic list ends ("||"), even after a name.
        if (fields[i].isEmpty() || fields[i + 1].isEmpty())
            break;
        QStringList patterns;
        for (const QString& pattern : fields[i + 1].split(';')) {
            const QString p = pattern.trimmed();
            if (!p.isEmpty())
                patterns << p;
        }
        if (!patterns.isEmpty())
            result << labelFor(fields[i], patterns);
    }
    return result;
}

void setUpMessageBox(QMessageBox& box, const std::string& text, const std::string& caption,
                     unsigned buttons, unsigned icon) {
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    switch (icon & MB_ICONMASK) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    QMessageBox::StandardButton first = QMessageBox::Ok;
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    switch (buttons & MB_TYPEMASK) {
    case MB_OKCANCEL:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MB_YESNOCANCEL:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        first = QMessageBox::Yes;
        break;
    case MB_YESNO:
        set = QMessageBox::Yes | QMessageBox::No;
        first = QMessageBox::Yes;
        break;
    case MB_RETRYCANCEL:
        set = QMessageBox::Retry | QMessageBox::Cancel;
        first = QMessageBox::Retry;
        break;
    default:
        break;
    }
    box.setStandardButtons(set);
    box.setDefaultButton(first);
}

int classicAnswer(QMessageBox::StandardButton button, unsigned buttons) {
    switch (button) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Retry:
        return IDRETRY;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        break;
    }
    switch (buttons & MB_TYPEMASK) {
    case MB_OK:
        return IDOK;
    case MB_YESNO:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

void setUpOpenFilesDialog(QFileDialog& dialog, const std::string& caption,
                          const std::string& filter, const std::string& initialFolder) {
    // Qt's own dialog: its pattern matching follows the case setting below, a portal's may not.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontResolveSymlinks, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (!caption.empty())
        dialog.setWindowTitle(QString::fromStdString(caption));
    if (!initialFolder.empty())
        dialog.setDirectory(QString::fromStdString(initialFolder));
    const QStringList filters = qtNameFilters(filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
}

} // namespace platform
