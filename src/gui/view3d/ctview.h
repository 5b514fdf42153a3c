#pragma once

#include "ui_ctview.h"
#include "view3d/vec3.h"
#include "view3d/volumerenderer.h"

#include <QFrame>
#include <QImage>
#include <QList>
#include <QStringList>
#include <QThreadPool>

class ChCoord;
class MouseC;
class QFileDialog;
class SlicesCtrl;

// The 3-D view: slice sets shown as a rotatable maximum-intensity projection with cross
// sections and box edges. The mouse on the picture rotates (free, or about the viewing
// direction in the edge bands), pans and zooms.
//
// Pictures are rendered on a thread of the view's own, one at a time: requests made while one
// renders are merged into one that starts when it ends, so a drag never queues stale pictures.
// The sets' slices are held for the time of a render.
class CtView : public QFrame
{
    Q_OBJECT

public:
    explicit CtView(const QString& startDir, QWidget* parent = nullptr);
    ~CtView() override;

    const QList<SlicesCtrl*>& sets() const { return m_sets; }
    const ViewBasis& basis() const { return m_view; }
    // The last rendered projection.
    const QImage& picture() const { return m_picture; }

    Ui_CtView ui;

signals:
    // Part of the interface owners connect to; this class never emits it.
    void newFiles(QStringList files);
    void initNz(Vec3 nz);
    void newNz(Vec3 nzv);
    void finishing();
    // A newly rendered picture is shown.
    void pictureRendered();

public slots:
    void updateNvs(Vec3 rax, double th);
    void changedSliderStat();
    void paintPImg();
    // The scene for vector output: the box edges as lines, each volume as one picture.
    void paintPImg0(QPainter& p, int pw, int ph);
    void draw(QPainter* p);
    void mousePressedOnDataDisp();
    void mouseMovedOnDataDisp();
    void mouseReleasedOnDataDisp();
    void wheelMovedOnDataDisp(int step);
    void showSaveImageD();
    void saveImage(QString fname);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void addSliceSet();
    QSize pictureSize() const;
    // The pointer position in widget fractions, x to the right and y upward.
    QPointF pointerFraction();
    void startRender();
    void renderFinished(const QImage& image);
    bool anySetHasSlices() const;
    bool saveRaster(const QString& fname, const QByteArray& format) const;
    bool saveSvg(const QString& fname);

    enum DragMode { Rotate = 0, Pan = 1, NoDrag = 2 };
    enum RotKind { FreeRotation = 0, LeftBand, RightBand, TopBand, BottomBand };

    QString m_startDir;
    MouseC* m_mouse = nullptr;
    ChCoord* m_coord = nullptr;
    double m_startX = 0;
    double m_startY = 0;
    int m_dragMode = NoDrag;
    int m_rotKind = FreeRotation;
    QImage m_picture;
    ViewBasis m_view;
    QStringList m_writeFormats;
    bool m_nativeDialog = false;
    QFileDialog* m_saveDialog = nullptr;
    QString m_lastSaveDir;
    QList<SlicesCtrl*> m_sets;

    QThreadPool m_renderPool;
    bool m_renderScheduled = false;
    bool m_rendering = false;
    bool m_renderWanted = false;
    QList<SlicesCtrl*> m_heldSets;
};
