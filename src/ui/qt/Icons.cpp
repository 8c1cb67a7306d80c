#include "ui/qt/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

#include "shell/Commands.h"
#include "shell/Subjects.h"

namespace kov {

namespace {

// A small palette shared by all drawings, so the icons read as one set.
const QColor kInk(0x2b, 0x3a, 0x4a);
const QColor kBlue(0x2f, 0x7d, 0xc1);
const QColor kLightBlue(0xcf, 0xe4, 0xf7);
const QColor kGreen(0x3a, 0x9a, 0x4c);
const QColor kRed(0xd2, 0x3b, 0x2f);
const QColor kAmber(0xe0, 0xa1, 0x1b);
const QColor kPaper(0xfb, 0xfb, 0xf8);
const QColor kGrey(0x8a, 0x94, 0x9e);

using FnDraw = void (*)(QPainter&);

QPen Pen(const QColor& color, qreal rWidth = 1.0)
{
    QPen pen(color, rWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// Draws at 16×16 units onto each requested size.
QIcon MakeIcon(FnDraw fnDraw, std::initializer_list<int> sizes = {16, 32})
{
    QIcon icon;
    for (int iSize : sizes) {
        QPixmap pixmap(iSize, iSize);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(iSize / 16.0, iSize / 16.0);
        fnDraw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void Sheet(QPainter& p, const QRectF& rect)
{
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawRect(rect);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color)
{
    p.setPen(Pen(color, 1.6));
    p.drawLine(from, to);
    const qreal rAngle = std::atan2(to.y() - from.y(), to.x() - from.x());
    const qreal rHead = 3.2;
    p.drawLine(to, to - QPointF(std::cos(rAngle - 0.6) * rHead, std::sin(rAngle - 0.6) * rHead));
    p.drawLine(to, to - QPointF(std::cos(rAngle + 0.6) * rHead, std::sin(rAngle + 0.6) * rHead));
}

// ---- Subjects

void DrawLog(QPainter& p)
{
    Sheet(p, QRectF(2.5, 1.5, 11, 13));
    p.setPen(Pen(kGrey));
    for (qreal y = 4.5; y < 13; y += 2.5) {
        p.drawLine(QPointF(4.5, y), QPointF(y > 10 ? 9 : 11.5, y));
    }
}

void DrawDeviceIdentification(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kLightBlue);
    p.drawRoundedRect(QRectF(0.5, 3.5, 15, 10), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(2.5, 5.5, 3.5, 3.5));
    p.drawPie(QRectF(1.8, 8.8, 5, 5), 0, 180 * 16);
    p.setPen(Pen(kInk));
    p.drawLine(QPointF(8.5, 6.5), QPointF(13.5, 6.5));
    p.drawLine(QPointF(8.5, 9), QPointF(13.5, 9));
    p.drawLine(QPointF(8.5, 11.5), QPointF(11.5, 11.5));
}

void DrawConnection(QPainter& p)
{
    p.setPen(Pen(kInk, 1.3));
    p.drawLine(QPointF(4, 12), QPointF(8, 4));
    p.drawLine(QPointF(8, 4), QPointF(12, 12));
    p.drawLine(QPointF(4, 12), QPointF(12, 12));
    p.setBrush(kBlue);
    p.setPen(Pen(kInk));
    p.drawEllipse(QPointF(8, 4), 2.5, 2.5);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(3.5, 12), 2.5, 2.5);
    p.drawEllipse(QPointF(12.5, 12), 2.5, 2.5);
}

void DrawModem(QPainter& p)
{
    p.setPen(Pen(kInk, 1.4));
    p.drawLine(QPointF(8, 6), QPointF(8, 15));
    p.drawLine(QPointF(8, 8), QPointF(5, 15));
    p.drawLine(QPointF(8, 8), QPointF(11, 15));
    p.setPen(Pen(kBlue, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4.5, 1.5, 7, 7), 30 * 16, 120 * 16);
    p.drawArc(QRectF(1.5, -1.0, 13, 12), 40 * 16, 100 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(8, 5.5), 1.5, 1.5);
}

void DrawEthernet(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kLightBlue);
    QPainterPath path;
    path.moveTo(1.5, 3.5);
    path.lineTo(14.5, 3.5);
    path.lineTo(14.5, 11.5);
    path.lineTo(11.5, 11.5);
    path.lineTo(11.5, 14.5);
    path.lineTo(4.5, 14.5);
    path.lineTo(4.5, 11.5);
    path.lineTo(1.5, 11.5);
    path.closeSubpath();
    p.drawPath(path);
    p.setPen(Pen(kAmber, 1.2));
    for (qreal x = 4.5; x <= 11.5; x += 1.75) {
        p.drawLine(QPointF(x, 5), QPointF(x, 7.5));
    }
}

void DrawWifi(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(kBlue, 1.6));
    p.drawArc(QRectF(1, 2.5, 14, 14), 45 * 16, 90 * 16);
    p.drawArc(QRectF(3.5, 5.5, 9, 9), 45 * 16, 90 * 16);
    p.drawArc(QRectF(6, 8.5, 4, 4), 45 * 16, 90 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(8, 13.5), 1.4, 1.4);
}

void DrawSim(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(9.5, 1.5);
    path.lineTo(12.5, 4.5);
    path.lineTo(12.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.drawPath(path);
    p.setBrush(kAmber);
    p.drawRoundedRect(QRectF(5.5, 7, 5, 5.5), 1, 1);
    p.setPen(Pen(kInk, 0.6));
    p.drawLine(QPointF(8, 7), QPointF(8, 12.5));
    p.drawLine(QPointF(5.5, 9.75), QPointF(10.5, 9.75));
}

void DrawVpn(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(kInk, 1.6));
    p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
    p.drawLine(QPointF(4.5, 6), QPointF(4.5, 7.5));
    p.drawLine(QPointF(11.5, 6), QPointF(11.5, 7.5));
    p.setPen(Pen(kInk));
    p.setBrush(kAmber);
    p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(8, 10.3), 1.2, 1.2);
    p.drawRect(QRectF(7.5, 10.5, 1, 2.5));
}

void DrawSms(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kLightBlue);
    QPainterPath path;
    path.addRoundedRect(QRectF(1.5, 2.5, 13, 8.5), 2, 2);
    QPainterPath tail;
    tail.moveTo(4, 10.5);
    tail.lineTo(3.5, 14);
    tail.lineTo(7.5, 10.5);
    tail.closeSubpath();
    p.drawPath(path.united(tail));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (qreal x = 5; x <= 11; x += 3) {
        p.drawEllipse(QPointF(x, 6.75), 1, 1);
    }
}

void DrawAudio(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kGrey);
    QPainterPath path;
    path.moveTo(1.5, 6);
    path.lineTo(4.5, 6);
    path.lineTo(8.5, 2.5);
    path.lineTo(8.5, 13.5);
    path.lineTo(4.5, 10);
    path.lineTo(1.5, 10);
    path.closeSubpath();
    p.drawPath(path);
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(kBlue, 1.3));
    p.drawArc(QRectF(6, 5, 6, 6), -60 * 16, 120 * 16);
    p.drawArc(QRectF(5, 2.5, 10, 11), -60 * 16, 120 * 16);
}

void DrawGpio(QPainter& p)
{
    p.setPen(Pen(kInk));
    for (qreal x = 5; x <= 11; x += 3) {
        p.drawLine(QPointF(x, 1), QPointF(x, 15));
    }
    for (qreal y = 5; y <= 11; y += 3) {
        p.drawLine(QPointF(1, y), QPointF(15, y));
    }
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(3.5, 3.5, 9, 9), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(6, 6), 1, 1);
}

void DrawRecording(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(8, 8), 4, 4);
}

void DrawLocation(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kRed);
    QPainterPath path;
    path.moveTo(8, 15);
    path.cubicTo(5, 10.5, 3, 8.5, 3, 6);
    path.arcTo(QRectF(3, 1, 10, 10), 180, -180);
    path.cubicTo(13, 8.5, 11, 10.5, 8, 15);
    p.drawPath(path);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(8, 6), 2, 2);
}

void DrawPtz(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kGrey);
    p.drawRoundedRect(QRectF(1.5, 4.5, 10, 7), 1.5, 1.5);
    QPainterPath lens;
    lens.moveTo(11.5, 8);
    lens.lineTo(14.5, 5.5);
    lens.lineTo(14.5, 10.5);
    lens.closeSubpath();
    p.drawPath(lens);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(6.5, 8), 2, 2);
    p.setPen(Pen(kInk, 1.2));
    p.drawLine(QPointF(6.5, 11.5), QPointF(6.5, 14.5));
    p.drawLine(QPointF(3.5, 14.5), QPointF(9.5, 14.5));
}

void DrawTime(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setPen(Pen(kInk, 1.4));
    p.drawLine(QPointF(8, 8), QPointF(8, 3.8));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(8, 8), 1, 1);
}

void DrawLocalControl(QPainter& p)
{
    p.setPen(Pen(kInk, 1.3));
    p.drawLine(QPointF(2, 4.5), QPointF(14, 4.5));
    p.drawLine(QPointF(2, 11.5), QPointF(14, 11.5));
    p.setPen(Pen(kInk));
    p.setBrush(kBlue);
    p.drawRect(QRectF(9, 2.5, 3, 4));
    p.setBrush(kGreen);
    p.drawRect(QRectF(4, 9.5, 3, 4));
}

void DrawStreams(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kInk);
    p.drawRect(QRectF(1.5, 3.5, 13, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    for (qreal x = 2.5; x < 14; x += 3) {
        p.drawRect(QRectF(x, 4.3, 1.5, 1.3));
        p.drawRect(QRectF(x, 10.4, 1.5, 1.3));
    }
    p.setBrush(kLightBlue);
    p.drawRect(QRectF(2.5, 6.3, 5, 3.4));
    p.drawRect(QRectF(8.5, 6.3, 5, 3.4));
}

void DrawBox(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kLightBlue);
    p.drawRect(QRectF(6.5, 3.5, 8, 9));
}

void DrawInput(QPainter& p)
{
    DrawBox(p);
    Arrow(p, QPointF(1, 8), QPointF(10.5, 8), kGreen);
}

void DrawOutput(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kLightBlue);
    p.drawRect(QRectF(1.5, 3.5, 8, 9));
    Arrow(p, QPointF(5.5, 8), QPointF(15, 8), kBlue);
}

void DrawPortForwarding(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kGrey);
    p.drawRect(QRectF(6.5, 1.5, 3, 13));
    Arrow(p, QPointF(1, 5), QPointF(14.5, 5), kGreen);
    Arrow(p, QPointF(15, 11), QPointF(1.5, 11), kBlue);
}

void DrawMaintenance(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(8, 8);
        p.rotate(45.0 * i);
        p.drawRect(QRectF(-1.3, -7.5, 2.6, 3));
        p.restore();
    }
    p.setPen(Pen(kInk));
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(8, 8), 2, 2);
}

// ---- Tool bar

void DrawNew(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(9.5, 1.5);
    path.lineTo(12.5, 4.5);
    path.lineTo(12.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.drawPath(path);
    p.drawPolyline(QPolygonF({QPointF(9.5, 1.5), QPointF(9.5, 4.5), QPointF(12.5, 4.5)}));
}

void DrawOpen(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kAmber);
    p.drawRect(QRectF(1.5, 4.5, 11, 9));
    p.drawRect(QRectF(1.5, 3, 4.5, 1.5));
    p.setBrush(QColor(0xf3, 0xc9, 0x5c));
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4, 7.5);
    front.lineTo(15, 7.5);
    front.lineTo(12.5, 13.5);
    front.closeSubpath();
    p.drawPath(front);
}

void DrawSave(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1, 1);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(kGrey);
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
}

void DrawCut(QPainter& p)
{
    p.setPen(Pen(kInk, 1.3));
    p.drawLine(QPointF(5.5, 10), QPointF(11, 1.5));
    p.drawLine(QPointF(10.5, 10), QPointF(5, 1.5));
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(kRed, 1.4));
    p.drawEllipse(QPointF(4.5, 12.3), 2.3, 2.3);
    p.drawEllipse(QPointF(11.5, 12.3), 2.3, 2.3);
}

void DrawCopy(QPainter& p)
{
    Sheet(p, QRectF(1.5, 1.5, 8, 10));
    Sheet(p, QRectF(6.5, 4.5, 8, 10));
    p.setPen(Pen(kGrey));
    p.drawLine(QPointF(8.5, 7.5), QPointF(12.5, 7.5));
    p.drawLine(QPointF(8.5, 10), QPointF(12.5, 10));
}

void DrawPaste(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(QColor(0xb9, 0x83, 0x4e));
    p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1, 1);
    p.setBrush(kGrey);
    p.drawRect(QRectF(4, 1.5, 5, 2.5));
    Sheet(p, QRectF(7.5, 6.5, 7, 8));
}

void DrawWriteToDevice(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kGrey);
    p.drawRoundedRect(QRectF(1.5, 10.5, 13, 4), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(12, 12.5), 1, 1);
    Arrow(p, QPointF(8, 1), QPointF(8, 8.5), kBlue);
}

void DrawResetDevice(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(kGreen, 1.8));
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    QPainterPath head;
    head.moveTo(6.5, 0.5);
    head.lineTo(10.5, 2.8);
    head.lineTo(6.8, 5.5);
    head.closeSubpath();
    p.drawPath(head);
}

void DrawAbout(QPainter& p)
{
    p.setPen(Pen(kInk));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(8, 4.8), 1.2, 1.2);
    p.drawRect(QRectF(7, 7, 2, 5.5));
}

void DrawPaneClose(QPainter& p)
{
    p.setPen(Pen(kInk, 1.5));
    p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
}

// A camera lens on a rounded square with a recording light: the configurator of a camera
// and recording unit.
void DrawApplication(QPainter& p)
{
    QLinearGradient gradient(0, 0, 0, 16);
    gradient.setColorAt(0, QColor(0x2f, 0x7d, 0xc1));
    gradient.setColorAt(1, QColor(0x1b, 0x4d, 0x7a));
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3.2, 3.2);
    p.setBrush(QColor(0xf4, 0xf7, 0xfa));
    p.drawEllipse(QPointF(7.6, 8.6), 5.2, 5.2);
    p.setBrush(QColor(0x1a, 0x26, 0x33));
    p.drawEllipse(QPointF(7.6, 8.6), 3.6, 3.6);
    p.setBrush(QColor(0x4f, 0xa3, 0xe0));
    p.drawEllipse(QPointF(7.6, 8.6), 1.9, 1.9);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(6.5, 7.5), 0.7, 0.7);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(12.9, 3.1), 1.5, 1.5);
}

} // namespace

QIcon SubjectIcon(int32_t iSubjectId)
{
    switch (iSubjectId) {
    case kSubjectLog: return MakeIcon(DrawLog);
    case kSubjectDeviceIdentification: return MakeIcon(DrawDeviceIdentification);
    case kSubjectGpio: return MakeIcon(DrawGpio);
    case kSubjectConnection: return MakeIcon(DrawConnection);
    case kSubjectMaintenance: return MakeIcon(DrawMaintenance);
    case kSubjectRecording: return MakeIcon(DrawRecording);
    case kSubjectLocation: return MakeIcon(DrawLocation);
    case kSubjectPtz: return MakeIcon(DrawPtz);
    case kSubjectEthernet: return MakeIcon(DrawEthernet);
    case kSubjectSim: return MakeIcon(DrawSim);
    case kSubjectModem: return MakeIcon(DrawModem);
    case kSubjectWifi: return MakeIcon(DrawWifi);
    case kSubjectVpn: return MakeIcon(DrawVpn);
    case kSubjectSms: return MakeIcon(DrawSms);
    case kSubjectStreams: return MakeIcon(DrawStreams);
    case kSubjectInput: return MakeIcon(DrawInput);
    case kSubjectOutput: return MakeIcon(DrawOutput);
    case kSubjectTime: return MakeIcon(DrawTime);
    case kSubjectLocalControl: return MakeIcon(DrawLocalControl);
    case kSubjectAudio: return MakeIcon(DrawAudio);
    case kSubjectPortForwarding: return MakeIcon(DrawPortForwarding);
    default: return {};
    }
}

QIcon CommandIcon(uint32_t dwCommandId)
{
    switch (dwCommandId) {
    case ID_FILE_NEW: return MakeIcon(DrawNew);
    case ID_FILE_OPEN: return MakeIcon(DrawOpen);
    case ID_FILE_SAVE: return MakeIcon(DrawSave);
    case ID_EDIT_CUT: return MakeIcon(DrawCut);
    case ID_EDIT_COPY: return MakeIcon(DrawCopy);
    case ID_EDIT_PASTE: return MakeIcon(DrawPaste);
    case ID_WRITE_TO_DEVICE: return MakeIcon(DrawWriteToDevice);
    case ID_RESET_DEVICE: return MakeIcon(DrawResetDevice);
    case ID_APP_ABOUT: return MakeIcon(DrawAbout);
    default: return {};
    }
}

QIcon PaneCloseIcon()
{
    return MakeIcon(DrawPaneClose);
}

QIcon ApplicationIcon()
{
    return MakeIcon(DrawApplication, {16, 24, 32, 48, 64, 128, 256});
}

} // namespace kov
