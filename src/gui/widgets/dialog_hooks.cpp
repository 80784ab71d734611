#include "gui/widgets/dialog_hooks.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <deque>

namespace vt::gui {

namespace {

std::deque<bool> g_answers;
std::deque<QString> g_fileNames;
bool g_capture = false;
QStringList g_messages;

} // namespace

void DialogHooks::setNextAnswer(bool yes) { g_answers.push_back(yes); }
void DialogHooks::setNextFileName(const QString& name) { g_fileNames.push_back(name); }
void DialogHooks::captureMessages(bool on) { g_capture = on; }
void DialogHooks::reset()
{
    g_answers.clear();
    g_fileNames.clear();
    g_messages.clear();
}

bool DialogHooks::capturing() { return g_capture; }
void DialogHooks::record(const QString& caption, const QString& text) { g_messages << caption + ": " + text; }

QStringList DialogHooks::takeMessages()
{
    QStringList m;
    m.swap(g_messages);
    return m;
}

bool DialogHooks::takeAnswer(bool& yes)
{
    if (g_answers.empty()) return false;
    yes = g_answers.front();
    g_answers.pop_front();
    return true;
}

bool DialogHooks::takeFileName(QString& name)
{
    if (g_fileNames.empty()) return false;
    name = g_fileNames.front();
    g_fileNames.pop_front();
    return true;
}

void show_message(QWidget* parent, const QString& caption, const QString& text)
{
    if (DialogHooks::capturing()) {
        DialogHooks::record(caption, text);
        return;
    }
    QMessageBox::information(parent, caption, text);
}

QString choose_open_file(QWidget* parent, const QString& title, const QString& dir, const QString& filter)
{
    QString name;
    if (DialogHooks::takeFileName(name)) return name;
    return QFileDialog::getOpenFileName(parent, title, dir, filter);
}

} // namespace vt::gui

namespace vt::gui {

bool ask_question(QWidget* parent, const QString& caption, const QString& text)
{
    bool yes = false;
    if (DialogHooks::takeAnswer(yes)) return yes;
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

} // namespace vt::gui

namespace vt::gui {

QString choose_pdf_reader(QWidget* parent)
{
    return choose_open_file(parent, QCoreApplication::translate("Dialogs", "Where is the PDF-reader ?"), QString(), "executables (*)");
}

QString choose_pdf_folder(QWidget* parent, const QString& dir)
{
    const auto file = choose_open_file(parent, QCoreApplication::translate("Dialogs", "Where are the PDF-documents ?"), dir, "PDF-files (*.pdf)");
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

} // namespace vt::gui
