#pragma once
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace kov::test {

// Runs fn from inside the loop of the first visible modal window (with the title, if one is given).
inline void WhenModal(const QString& qsTitle, std::function<void(QWidget*)> fn)
{
    auto* pTimer = new QTimer(qApp); // deletes itself once it has fired
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, qsTitle, fn] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (pModal != nullptr && pModal->isVisible() &&
            (qsTitle.isEmpty() || pModal->windowTitle() == qsTitle)) {
            pTimer->stop();
            pTimer->deleteLater();
            fn(pModal);
        }
    });
    pTimer->start(10);
}

inline void WhenModal(std::function<void(QWidget*)> fn)
{
    WhenModal({}, std::move(fn));
}

} // namespace kov::test
