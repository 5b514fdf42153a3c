#include "vlineedit.h"

#include <QGraphicsScene>
#include <QLineEdit>

VLineEdit::VLineEdit(QWidget* parent)
    : QGraphicsView(parent), m_scene(new QGraphicsScene(this)), m_lineEdit(new QLineEdit)
{
    setWindowFlag(Qt::FramelessWindowHint);
    // The scene's proxy takes ownership of the line edit.
    m_scene->addWidget(m_lineEdit);
    setScene(m_scene);
    rotate(90);
}
