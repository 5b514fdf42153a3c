#include "popdockbase.h"

#include <QGridLayout>

PopDockBase::PopDockBase(QWidget* parent)
    : QFrame(parent), m_popWindow(std::make_unique<ClosableBase>())
{
    ui.setupUi(this);
    new QGridLayout(m_popWindow.get());
    m_popWindow->resize(700, 740);
    connect(ui.PopDock, &QPushButton::clicked, this, &PopDockBase::popDock);
    connect(m_popWindow.get(), &ClosableBase::closed, this, &PopDockBase::moveToDockBase);
}

PopDockBase::~PopDockBase()
{
    // A popped content is a child of the pop window and goes with it; moving it back under
    // this frame while the window around it is being torn down would touch dying widgets.
    if (m_content)
        disconnect(m_content, &QObject::destroyed, this, nullptr);
}

void PopDockBase::setContent(QWidget* w)
{
    if (m_content)
        disconnect(m_content, &QObject::destroyed, this, nullptr);
    m_content = w;
    if (!m_content)
        return;
    // A content deleted while popped must not leave an empty window counted as popped.
    connect(m_content, &QObject::destroyed, this, [this] {
        m_popped = false;
        m_popWindow->hide();
    });
    (m_popped ? popLayout() : ui.Layout)->addWidget(m_content, 0, 0);
}

QGridLayout* PopDockBase::popLayout() const
{
    return static_cast<QGridLayout*>(m_popWindow->layout());
}

void PopDockBase::setPopped(bool f)
{
    if (f != m_popped)
        popDock();
}

void PopDockBase::popDock()
{
    m_popWindow->setVisible(!m_popWindow->isVisible());
    if (m_popWindow->isVisible())
        moveToPopBase();
    else
        moveToDockBase();
}

void PopDockBase::moveToDockBase()
{
    if (!m_content)
        return;
    m_popped = false;
    emit popped(false);
    // Always the same cell: a plain addWidget() would move on to a new row on every return.
    ui.Layout->addWidget(m_content, 0, 0);
}

void PopDockBase::moveToPopBase()
{
    if (!m_content)
        return;
    m_popped = true;
    emit popped(true);
    popLayout()->addWidget(m_content, 0, 0);
}
