#pragma once
// Shared by the screenshot programs: a window's client area under a plain title bar that
// carries its caption, written as a PNG file.
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace vt::test {

// Returns whether the picture was written (and is not empty).
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

} // namespace vt::test
