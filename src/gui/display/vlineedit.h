#pragma once

#include <QGraphicsView>

class QGraphicsScene;
class QLineEdit;

// A line edit that reads from top to bottom: the edit sits in a scene whose view is turned by
// 90 degrees.
class VLineEdit : public QGraphicsView
{
    Q_OBJECT

public:
    explicit VLineEdit(QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return m_lineEdit; }

private:
    QGraphicsScene* m_scene;
    QLineEdit* m_lineEdit;
};
