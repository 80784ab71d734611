#include "shell/dialog_hooks.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <optional>

namespace vt::gui {

namespace {

std::optional<bool> g_answer;
std::optional<QString> g_fileName;
bool g_capture = false;
QStringList g_messages;

} // namespace

void DialogHooks::setNextAnswer(bool yes) { g_answer = yes; }
void DialogHooks::setNextFileName(const QString& name) { g_fileName = name; }
void DialogHooks::captureMessages(bool on) { g_capture = on; }
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
    if (!g_answer) return false;
    yes = *g_answer;
    g_answer.reset();
    return true;
}

bool DialogHooks::takeFileName(QString& name)
{
    if (!g_fileName) return false;
    name = *g_fileName;
    g_fileName.reset();
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
    return choose_open_file(parent, "Where is the PDF-reader ?", QString(), "executables (*)");
}

QString choose_pdf_folder(QWidget* parent, const QString& dir)
{
    const auto file = choose_open_file(parent, "Where are the PDF-documents ?", dir, "PDF-files (*.pdf)");
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

} // namespace vt::gui
