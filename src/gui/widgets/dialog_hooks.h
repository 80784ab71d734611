#pragma once
#include <QString>
#include <QStringList>

class QWidget;

namespace vt::gui {

// Message boxes, questions and file dialogs go through these functions, so that a
// headless test can answer them: it queues the next answer or file name, and it can
// collect messages instead of showing them.
class DialogHooks {
public:
    // The next confirmation is answered with `yes` without showing the dialog. Answers
    // and file names queue up: each call answers one more dialog.
    static void setNextAnswer(bool yes);
    // The next file dialog returns `name` (empty: cancelled) without showing itself.
    static void setNextFileName(const QString& name);
    // While capturing, messages are collected ("caption: text") instead of shown.
    static void captureMessages(bool on);
    // Forgets queued answers, file names and collected messages.
    static void reset();
    static QStringList takeMessages();

    static bool takeAnswer(bool& yes);
    static bool takeFileName(QString& name);
    static bool capturing();
    static void record(const QString& caption, const QString& text);
};

// A modal message box with a caption.
void show_message(QWidget* parent, const QString& caption, const QString& text);

// A file dialog for an existing file; empty when cancelled.
QString choose_open_file(QWidget* parent, const QString& title, const QString& dir, const QString& filter);

} // namespace vt::gui

namespace vt::gui {

// A yes/no question with a caption; a test answers it through DialogHooks::setNextAnswer.
bool ask_question(QWidget* parent, const QString& caption, const QString& text);

} // namespace vt::gui

namespace vt::gui {

// The PDF reader program; empty when cancelled.
QString choose_pdf_reader(QWidget* parent);
// The folder of a chosen PDF document; empty when cancelled.
QString choose_pdf_folder(QWidget* parent, const QString& dir = {});

} // namespace vt::gui
