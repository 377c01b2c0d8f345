#pragma once

// The 3D view: the frame that hosts the panel's device. Where Qt can give an OpenGL context it holds a
// QOpenGLWidget, the device draws into its own back buffer in that context and presents it scaled into the
// widget. On Qt's offscreen platform no OpenGL widget can be made (it crashes there): the view then paints
// itself, showing the picture of a headless device when one could be made, else a plain panel in the
// panel's colour. The view knows nothing of the editor; it reports mouse input and asks for frames through
// its callbacks.

#include <QFrame>
#include <QImage>
#include <functional>
#include <memory>

#include "editor/dravo_editor.h"
#include "render/d3d8.h"

namespace dravo {

class TDXView : public QFrame {
  Q_OBJECT

 public:
  enum class Kind { OpenGL, Headless };

  explicit TDXView(QWidget* parent = nullptr);
  ~TDXView() override;

  // OpenGL when the platform can show OpenGL widgets, else Headless.
  static Kind PlatformKind();
  Kind ViewKind() const { return m_kind; }
  // The OpenGL widget, or nullptr for a headless view.
  QWidget* Surface() const;

  // The panel's Direct3D factory for this view: a device on the widget's context, or a headless one.
  Direct3DCreate8Func Direct3DFactory();
  // True once the device can be made (the OpenGL context exists); a headless view is ready at once.
  bool Ready() const { return m_ready; }

  // A frame of the panel in the current context: false when there is nothing to draw (no device, or
  // drawing is off), and the view then shows its plain colour.
  std::function<bool()> OnPaintFrame;
  // The headless view's picture: the panel's frame read back, or a null image for the plain panel.
  std::function<QImage()> OnRenderPicture;
  // The colour of the plain panel (the panel's clear colour).
  std::function<QColor()> PanelColor;
  std::function<void(TMouseButton, EditorShift, int x, int y)> OnMouseDown;
  std::function<void(EditorShift, int x, int y)> OnMouseMove;
  std::function<void(TMouseButton, EditorShift)> OnMouseUp;
  // The wheel, in notches (positive away from the user).
  std::function<void(int notches)> OnWheel;

  // Asks for a repaint of the picture.
  void RequestRepaint();
  // The size of the drawing area in device pixels (what Present scales into).
  QSize TargetSize() const;

 signals:
  // The OpenGL context exists (or, for a headless view, at once on the first show).
  void ContextReady();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  class TGlSurface;
  friend class TGlSurface;

  void markReady();
  void paintPlain(QPainter& p);
  QPoint inViewCoordinates(const QPointF& pos) const;

  Kind m_kind;
  TGlSurface* m_surface = nullptr;
  bool m_ready = false;
  int m_wheelRest = 0;  // eighths of a degree not yet a whole notch
};

// The shift state of a mouse event as the editor reads it.
EditorShift ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

}  // namespace dravo
