#pragma once

#include "recon/fbpcore.h"
#include "ui_ctcalc.h"

#include <QDateTime>
#include <QFrame>

#include <vector>

// What the single-slice panel and the multi-slice result panels share: the display and
// calculation regions, the time stamps, and showing a slice through the colour bar.
class CtPanel : public QFrame
{
    Q_OBJECT

public:
    explicit CtPanel(QWidget* parent = nullptr);

    bool regionSet() const { return m_regionSet; }
    FbpRegion calcRegion() const;

    Ui_CtCalc ui;

signals:
    void dRUpdated(double rx0, double rz0, double rx1, double rz1);
    void cRUpdated(double rx0, double rz0, double rx1, double rz1);

public slots:
    void noticedNewS(QRectF s);
    void setCRegion();
    void setDR(double rx0, double rz0, double rx1, double rz1);
    void setCR(double rx0, double rz0, double rx1, double rz1);
    void setFixColorScale(bool f);
    void setCBarMinMaxForced(double min, double max);

protected:
    void stampStart(const QDateTime& t);
    void stampEnd(const QDateTime& t);
    void showSpent();
    // Renders an N x N slice; unless the bar is fixed it first takes the slice's extremes.
    void showSlice(const std::vector<double>& values, int n, bool takeRange);
    // The value under the pointer, when the indices (truncated toward zero) are inside.
    void showValue(const std::vector<double>& values, int n, double x, double z);

    bool m_regionSet = false;
    QDateTime m_startTime;
    QDateTime m_endTime;
};
