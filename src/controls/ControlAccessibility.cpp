#include "ControlAccessibility.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QMouseEvent>

#include "GridAccessible.h"
#include "TDigit.h"
#include "TKMVButton.h"
#include "TKMVStringGrid.h"

namespace {

QString nameOf(const QWidget* w) {
    return w->accessibleName().isEmpty() ? w->toolTip() : w->accessibleName();
}

class ButtonAccessible : public QAccessibleWidget {
public:
    explicit ButtonAccessible(TKMVButton* button) : QAccessibleWidget(button, QAccessible::Button) {
        addControllingSignal(QStringLiteral("clicked()"));
    }
    TKMVButton* button() const { return static_cast<TKMVButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? nameOf(widget()) : QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->IsDown();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action != pressAction() || !button()->isEnabled()) {
            return;
        }
        // As a click of the left button, so the button's own press and release rules hold.
        const QPointF centre = QRectF(button()->rect()).center();
        const QPointF global = button()->mapToGlobal(centre);
        QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(button(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button(), &release);
    }
};

// The digits the display shows: the last digits() of the value's magnitude; blank when off.
QString shownDigits(const TDigit& digit) {
    if (!digit.displayOn()) {
        return {};
    }
    const QString all = QString::number(qAbs(qint64(digit.value())));
    return all.rightJustified(digit.digits(), u'0').right(digit.digits());
}

class DigitAccessible : public QAccessibleWidget {
public:
    explicit DigitAccessible(TDigit* digit) : QAccessibleWidget(digit, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const auto* digit = static_cast<const TDigit*>(widget());
        switch (t) {
            case QAccessible::Name:
                return nameOf(widget());
            case QAccessible::Value:
                return shownDigits(*digit);
            default:
                return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface* controlFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TKMVButton")) {
        return new ButtonAccessible(static_cast<TKMVButton*>(object));
    }
    if (className == QLatin1String("TKMVStringGrid")) {
        return new GridAccessible(static_cast<TKMVStringGrid*>(object));
    }
    if (className == QLatin1String("TDigit")) {
        return new DigitAccessible(static_cast<TDigit*>(object));
    }
    return nullptr;
}

}  // namespace

void installControlAccessibility() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(controlFactory);
    }
}
