#pragma once
// The screenshot programs' picture of a window: its client area under a plain title bar
// that carries its caption, saved as `dir`/`name`.png; with `fit` the window first takes
// its preferred size.
#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QWidget>
#include <QtTest>

namespace vt::test {

inline void save_window_shot(QWidget* w, const QString& dir, const QString& name, bool fit = true)
{
    w->show();
    QApplication::processEvents();
    if (fit) w->adjustSize();
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
    const QString file = dir + "/" + name + ".png";
    QVERIFY2(image.save(file), qPrintable(file));
    QVERIFY(QFileInfo(file).size() > 1000);
}

} // namespace vt::test
