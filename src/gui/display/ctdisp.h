#pragma once

#include "ui_ctdisp.h"

#include <QFrame>
#include <QImage>
#include <QList>

// Finished slice pictures in ascending slice order, stepped through with a seek bar.
class CtDisp : public QFrame
{
    Q_OBJECT

public:
    explicit CtDisp(QWidget* parent = nullptr);

    struct Record {
        int no;
        QImage img;
    };
    const QList<Record>& records() const { return m_records; }

    Ui_CtDisp form;

public slots:
    void clear();
    void addImg(int no, const QImage& img);
    void showImg(int idx);
    QList<QImage> getQImages() const;

private:
    QList<Record> m_records;
};
