#include "colours.h"

#include <QEvent>
#include <QWidget>
#include <cmath>

namespace platform {
namespace {

double luminance(const QColor &colour)
{
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

// Sets the widget's text colour again whenever its palette changes, since the window colour
// behind it may have changed with the desktop's theme.
class TextColour : public QObject
{
public:
    TextColour(QWidget *widget, const QColor &wanted, QPalette::ColorRole role)
        : QObject(widget)
        , m_widget(widget)
        , m_wanted(wanted)
        , m_role(role)
    {
        widget->installEventFilter(this);
        apply();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::PaletteChange ||
            event->type() == QEvent::ApplicationPaletteChange)
            apply();
        return false;
    }

private:
    void apply()
    {
        const QPalette now = m_widget->palette();
        const QColor wanted = m_wanted.isValid() ? m_wanted : now.color(QPalette::Active, m_role);
        const QColor colour = readable(wanted, now.color(QPalette::Active, QPalette::Window));
        if (now.color(QPalette::Active, QPalette::WindowText) == colour &&
            now.color(QPalette::Inactive, QPalette::WindowText) == colour)
            return; // set already: setting it again would come back here
        // Only the text colour is the widget's own; the rest follows the desktop. A disabled
        // window keeps the theme's greyed text.
        QPalette own;
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            own.setColor(group, QPalette::WindowText, colour);
        m_widget->setPalette(own);
    }

    QWidget *m_widget;
    QColor m_wanted;
    QPalette::ColorRole m_role;
};

} // namespace

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readable(const QColor &wanted, const QColor &background, double ratio)
{
    if (contrast(wanted, background) >= ratio)
        return wanted;
    // Towards black or white, whichever can stand further from the background.
    const bool lighter = contrast(Qt::white, background) > contrast(Qt::black, background);
    const QColor extreme = lighter ? QColor(Qt::white) : QColor(Qt::black);
    if (contrast(extreme, background) < ratio)
        return extreme;
    float hue, saturation, lightness, alpha;
    wanted.toHsl().getHslF(&hue, &saturation, &lightness, &alpha);
    // The least change of lightness that reads: `near` does not, `far` does.
    float near = lightness, far = lighter ? 1.0f : 0.0f;
    QColor found = extreme;
    for (int step = 0; step < 16; ++step) {
        const float middle = (near + far) / 2;
        const QColor tried = QColor::fromHslF(hue, saturation, middle).toRgb();
        if (contrast(tried, background) >= ratio) {
            far = middle;
            found = tried;
        } else {
            near = middle;
        }
    }
    return found;
}

bool isDark(const QPalette &palette)
{
    return luminance(palette.color(QPalette::Window)) <
           luminance(palette.color(QPalette::WindowText));
}

void keepTextColour(QWidget *widget, const QColor &wanted)
{
    new TextColour(widget, wanted, QPalette::WindowText);
}

void keepTextColour(QWidget *widget, QPalette::ColorRole role)
{
    new TextColour(widget, QColor(), role);
}

} // namespace platform
