#pragma once

#include "ui_slicesctrl.h"
#include "view3d/vec3.h"
#include "view3d/volumerenderer.h"

#include <QColor>
#include <QFrame>
#include <QStringList>
#include <QThread>

#include <memory>
#include <optional>

class ChCoord;
class MouseC;
class QColorDialog;
class QFileDialog;
class QLineEdit;
class SliceDatas;

// The control panel of one slice set of the 3-D view: the files, their value range and
// histogram with two threshold markers, and how the set is drawn. The slices are read on a
// thread of the panel's own.
//
// The slices must stay unchanged while the view renders from them, and must not be read while
// they load. So the view holds the slices for the time of a render, a selection made during a
// load or a hold waits (the newest one only) until both are over, and a loading set counts as
// holding no slices.
class SlicesCtrl : public QFrame
{
    Q_OBJECT

public:
    explicit SlicesCtrl(const QString& dataDir, QWidget* parent = nullptr);
    ~SlicesCtrl() override;

    // Loads `files` in place of the held slices, now or when the load or hold in progress ends.
    void loadFiles(const QStringList& files);
    bool isLoading() const { return m_loading; }
    // At least one slice is held and no load is under way.
    bool hasSlices() const;
    int ns() const;
    int sw() const;
    int sh() const;

    void holdSlices();
    void releaseSlices();
    // What the renderer needs of this set; no slices while loading.
    VolumeSet volumeSet() const;

    QColor vColor() const { return m_vColor; }
    QColor sColor() const { return m_sColor; }
    Vec3 csNormal() const { return m_csNormal; }
    void setVColor(const QColor& c);
    void setSColor(const QColor& c);
    void setNumber(int n);
    void setAlpha(int alpha);
    // Takes the other panel's cross-section position and direction lock without reporting it.
    void followCrossSection(const SlicesCtrl& other);

    Ui_SlicesCtrl ui;

signals:
    void changedSliderStat();
    void paintPImg();
    // Part of the interface owners connect to; this class never emits it.
    void bClicked();

public slots:
    void fixupAlpha();
    void updatedMinThPC();
    void updatedMaxThPC();
    void updatedMinTh();
    void updatedMaxTh();
    void showHide(bool f);
    void selectFiles();
    void selectVColor();
    void selectSColor();
    void noticedLoadedNewFile(QString fname);
    void noticedLoadFilesFinished();
    void datasCleared();
    void drawHist(QPainter* p);
    void mousePressedOnDispH();
    void mouseMovedOnDispH();
    void mouseReleasedOnDispH();
    void initNz(Vec3 nz);
    void newNz(Vec3 nz);

private:
    double rMin() const;
    double rMax() const;
    // Writes a threshold field; the other form of the same threshold is left to the caller.
    void writeThreshold(QLineEdit* edit, double v);
    void percentFromValue(QLineEdit* value, QLineEdit* percent);
    void valueFromPercent(QLineEdit* percent, QLineEdit* value);
    // Histogram pixels to percent: 0 ... 101 over the width.
    void mapHistogram();
    void startPendingLoad();
    QColorDialog* openColorDialog(QColorDialog* previous, const QColor& current,
                                  const QString& title);

    QString m_dataDir;
    bool m_nativeDialog = false;
    std::unique_ptr<QThread> m_loaderThread;
    // Declared after the thread so that it goes first, once the thread has stopped.
    std::unique_ptr<SliceDatas> m_datas;
    bool m_loading = false;
    int m_holds = 0;
    std::optional<QStringList> m_pendingFiles;
    QFileDialog* m_fileDialog = nullptr;
    QColorDialog* m_vColorDialog = nullptr;
    QColorDialog* m_sColorDialog = nullptr;
    Vec3 m_csNormal{0, 0, 1};
    QColor m_vColor{0, 127, 127};
    QColor m_sColor{127, 0, 0};
    int m_grab = -1;
    MouseC* m_mouseH = nullptr;
    ChCoord* m_coordH = nullptr;
};
