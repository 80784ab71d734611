#pragma once
// Shared by the screenshot programs: a window's picture under a plain title bar that
// carries its caption, saved as PNG.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QPainter>
#include <QWidget>
#include <QtTest>

namespace vt::test {

// Where the pictures go: $VELTRANO_SCREENSHOT_DIR when set (scripts/screenshots), else
// the given temporary folder.
inline QString screenshot_dir(const QTemporaryDir& fallback)
{
    QString dir = qEnvironmentVariable("VELTRANO_SCREENSHOT_DIR");
    if (dir.isEmpty()) dir = fallback.path();
    QDir().mkpath(dir);
    return dir;
}

// The rows of a picture test: English ("E") and German ("D").
inline void add_language_rows()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "E";
    QTest::newRow("German") << "D";
}

// The window's picture under a plain title bar that carries its caption, saved as `file`;
// returns whether the picture was written (and is not empty).
inline bool save_window_picture(QWidget* w, const QString& file)
{
    QApplication::processEvents();
    const QPixmap body = w->grab();
    const int bar = 26;
    QImage image(body.width(), body.height() + bar, QImage::Format_ARGB32);
    image.fill(QColor(0x3c, 0x5a, 0x78));
    QPainter p(&image);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(8, 0, body.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
    p.drawPixmap(0, bar, body);
    p.end();
    return image.save(file) && QFileInfo(file).size() > 1000;
}

// The same as `dir`/`name`.png.
inline bool save_shot(QWidget* w, const QString& dir, const QString& name)
{
    return save_window_picture(w, dir + "/" + name + ".png");
}

// Shows the window, optionally fits it to its contents, and saves `dir`/`name`.png;
// fails the test when the picture was not made.
inline void save_window_shot(QWidget* w, const QString& dir, const QString& name, bool fit = true, bool hide = true)
{
    w->show();
    QApplication::processEvents();
    if (fit) w->adjustSize();
    QApplication::processEvents();
    QVERIFY2(save_shot(w, dir, name), qPrintable(dir + "/" + name + ".png"));
    if (hide) w->hide();
}

} // namespace vt::test
