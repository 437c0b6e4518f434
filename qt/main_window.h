// The Qt window: a view of a running game's controls that turns input and timers into its events.
#pragma once

#include "game/running_game.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <array>
#include <map>
#include <vector>

class QPushButton;

namespace kazuroi {

class QtPlatform;

class MainWindow : public QWidget {
  public:
    MainWindow(RunningGame& game, QtPlatform& platform);

    // Runs the Load handler, then shows the window where the model placed it. False when the
    // game ended during start-up.
    bool start();

    // Places the window where the model says, or on the primary screen when that lies off every
    // screen.
    void placeFromModel();
    // Draws one control as its model now stands; nothing before the widgets are built.
    void showControl(const Control& control);
    void runTimer(int index, int interval);
    void focusControl(const Control& control);
    float outerHeightTwips() const;
    void shutDown();
    // A logout, `kill` or the window destroyed: closed as by the player, or, with a box open,
    // ended without storing anything.
    void endFromOutside();

    QWidget* widgetFor(const Control& control) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildWidgets();
    QWidget* createWidget(int index, const Control& control, QWidget* parent);
    void setTabOrderFromLayout();
    void showColours(QWidget* widget, const Control& control);
    void showFace(QPushButton* button, Colour colour);
    QSizeF captionRoom(const Control& control, QWidget* widget) const;

    RunningGame& game_;
    QtPlatform& platform_;
    std::map<const Control*, QWidget*> widgets_;
    std::map<const Control*, QString> shownCaptions_;
    std::array<QTimer, 2> timers_;
    QPoint placedAt_;
    bool closed_ = false;
};

} // namespace kazuroi
