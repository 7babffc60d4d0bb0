#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace
{

QString titleOrApplication(const QString& title)
{
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

} // namespace

QString QtDialogs::displayText(const QString& text)
{
    QString display = text;
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    display.replace(u'\r', u'\n');
    return display;
}

void QtDialogs::message(const QString& text, const QString& title, Icon icon)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(titleOrApplication(title));
    box.setText(displayText(text));
    box.setTextFormat(Qt::PlainText);
    switch (icon)
    {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

std::optional<QString> QtDialogs::input(const QString& prompt, const QString& title, const QString& proposed)
{
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), titleOrApplication(title),
                                               displayText(prompt), QLineEdit::Normal, proposed, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QStringList QtDialogs::openFiles(const OpenFileRequest& request)
{
    QWidget* parent = QApplication::activeWindow();
    const QString title = titleOrApplication(request.title);
    if (request.multiSelect)
        return QFileDialog::getOpenFileNames(parent, title, request.initialDir, request.filter);
    const QString file = QFileDialog::getOpenFileName(parent, title, request.initialDir, request.filter);
    return file.isEmpty() ? QStringList() : QStringList{file};
}
