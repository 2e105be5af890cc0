// What the three query result windows (other files, all open files, all connections) share: a
// non-modal window laid out by its twip rules on every resize, and a fill generation that tells a
// running fill whether the window it writes to is still the one it started on.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "core/layout.h"

class QLabel;
class QPushButton;

namespace varnook {

class ResultWindow : public QWidget {
    Q_OBJECT
public:
    // The window frame (borders and title bar) that the layout's window size includes.
    static constexpr double kFrameWidth = 120;
    static constexpr double kFrameHeight = 420;

    ResultWindow(const ResultWindowRules& rules, double width, double height);

    // Each fill starts a new generation, and closing the window ends the current one: a fill
    // stops writing as soon as the generation it started with is gone.
    uint64_t newGeneration() { return ++generation_; }
    uint64_t generation() const { return generation_; }

    // The layout's idea of the window size (twips, frame included).
    TwipSize twipSize() const;
    void Form_Resize();

signals:
    // The window was closed, by its OK button or any other way.
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The controls the rules move: the caption label on top, the list, the labels (and progress
    // bar) below it, the OK button. Set once the controls exist.
    void setLayoutParts(QWidget* caption, QWidget* list, std::vector<QWidget*> below, QWidget* ok);
    // Sets the list's column widths for a list this wide (twips); the default sets none.
    virtual void placeColumns(double /*listWidth*/, double /*dpi*/) {}
    // Runs when the window closes (before closed()).
    virtual void onClose() {}

    // A label of the window, placed in twips.
    QLabel* addLabel(const char* name, const QString& text, const TwipRect& place);
    // The window's default OK button, at least 1200 x 375 twips; the layout places it.
    QPushButton* addOkButton(const char* name);

private:
    ResultWindowRules rules_;
    uint64_t generation_ = 0;
    QWidget* caption_ = nullptr;
    QWidget* list_ = nullptr;
    std::vector<QWidget*> below_;
    QWidget* ok_ = nullptr;
};

// Geometry helpers in twips at a DPI.
TwipRect TwipGeometry(const QWidget* w, double dpi);
void PlaceInTwips(QWidget* w, const TwipRect& r, double dpi);

}  // namespace varnook
