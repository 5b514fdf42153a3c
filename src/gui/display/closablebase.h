#pragma once

#include <QFrame>

// A frame that reports its closing, so that whoever shows it as a window can react.
class ClosableBase : public QFrame
{
    Q_OBJECT

public:
    explicit ClosableBase(QWidget* parent = nullptr);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};
