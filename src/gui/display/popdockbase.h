#pragma once

#include "closablebase.h"
#include "ui_popdockbase.h"

#include <QFrame>
#include <QPointer>

#include <memory>

// Shows one content widget either docked inside this frame or popped out into a window of its
// own. The "Pop/Dock" button switches; closing the window docks the content back.
class PopDockBase : public QFrame
{
    Q_OBJECT

public:
    explicit PopDockBase(QWidget* parent = nullptr);
    ~PopDockBase() override;

    // Places `w` where the current state says (docked by default). Like any widget in a
    // layout it becomes a child of this frame, or of the pop window while popped, and is
    // deleted with this frame unless its owner deletes it first.
    void setContent(QWidget* w);
    QWidget* content() const { return m_content; }
    ClosableBase* popWindow() const { return m_popWindow.get(); }
    bool isPopped() const { return m_popped; }
    void setPopped(bool f);

signals:
    // Part of the interface owners connect to; this class never emits it.
    void closed();
    void popped(bool f);

public slots:
    void popDock();
    void moveToDockBase();
    void moveToPopBase();

private:
    QGridLayout* popLayout() const;

    Ui_PopDockBase ui;
    QPointer<QWidget> m_content;
    // A window of its own, hence no Qt parent.
    std::unique_ptr<ClosableBase> m_popWindow;
    bool m_popped = false;
};
