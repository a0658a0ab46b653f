#pragma once

#include <QColor>
#include <QWidget>

namespace vinculor {

// A panel painted with a three-colour gradient, from the start colour at the
// top through the middle colour to the end colour at the bottom.
class GradientPanel : public QWidget {
    Q_OBJECT

public:
    GradientPanel(const QColor& start, const QColor& middle, const QColor& end, QWidget* parent = nullptr);

    QColor startColor() const { return start_; }
    QColor middleColor() const { return middle_; }
    QColor endColor() const { return end_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor start_;
    QColor middle_;
    QColor end_;
};

} // namespace vinculor
