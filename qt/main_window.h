// The Qt window: a view of Form1's control model that turns input and timers into its events.
#pragma once

#include "game/form1.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <map>
#include <utility>
#include <vector>

class QPushButton;

namespace kazuroi {

class QtPlatform;
class PressButton;

class MainWindow : public QWidget {
  public:
    MainWindow(Form1& form, QtPlatform& platform);

    // Runs the Load handler, then shows the window where the model placed it. False when the
    // game ended during start-up.
    bool start();

    // Places the window where the model says, or on the primary screen when that lies off every
    // screen.
    void placeFromModel();
    // Brings every widget and timer in line with the model.
    void showModel();
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
    // Runs one event of the game's window unless a box is open or the program has ended.
    template <typename Handler> void dispatch(Handler handler);
    void buildWidgets();
    QWidget* createWidget(const Control& control, QWidget* parent);
    void setTabOrderFromLayout();
    void showControl(const Control& control, QWidget* widget);
    void showColours(QWidget* widget, const Control& control);
    void showFace(QPushButton* button, Colour colour);
    QSizeF captionRoom(const Control& control, QWidget* widget) const;
    void syncTimer(const Timer& model, QTimer& timer);

    Form1& form_;
    QtPlatform& platform_;
    std::map<const Control*, QWidget*> widgets_;
    std::map<const Control*, QString> shownCaptions_;
    std::vector<std::pair<PressButton*, const Control*>> numbers_; // each with its ring
    QTimer timeLimit_;
    QTimer animation_;
    QPoint placedAt_;
    bool closed_ = false;
};

} // namespace kazuroi
