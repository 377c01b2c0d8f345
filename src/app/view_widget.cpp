#include "app/view_widget.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QPainter>
#include <QScreen>
#include <QSurfaceFormat>
#include <QWheelEvent>
#include <cmath>

#include "render/gl/gl_device.h"

namespace dravo {

namespace {

GlAdapterInfo ScreenAdapter(const QWidget* widget) {
  GlAdapterInfo info;
  const QScreen* screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    const QSize size = screen->size() * screen->devicePixelRatio();
    if (size.width() > 0 && size.height() > 0) {
      info.screenWidth = static_cast<UINT>(size.width());
      info.screenHeight = static_cast<UINT>(size.height());
    }
    const qreal rate = screen->refreshRate();
    if (rate >= 1.0) info.refreshRate = static_cast<UINT>(std::lround(rate));
  }
  return info;
}

TMouseButton ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::RightButton:
      return TMouseButton::Right;
    case Qt::MiddleButton:
      return TMouseButton::Middle;
    default:
      return TMouseButton::Left;
  }
}

}  // namespace

EditorShift ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  EditorShift s;
  s.shift = modifiers.testFlag(Qt::ShiftModifier);
  s.alt = modifiers.testFlag(Qt::AltModifier);
  s.ctrl = modifiers.testFlag(Qt::ControlModifier);
  s.left = buttons.testFlag(Qt::LeftButton);
  s.right = buttons.testFlag(Qt::RightButton);
  s.middle = buttons.testFlag(Qt::MiddleButton);
  return s;
}

// The OpenGL widget: the device lives in its context and presents into its framebuffer. Mouse events
// are left to the frame around it.
class TDXView::TGlSurface : public QOpenGLWidget {
 public:
  explicit TGlSurface(TDXView* view) : QOpenGLWidget(view), m_view(view) {
    // The device draws into a back buffer of its own with its own depth buffer; this widget only takes
    // the presented picture.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    format.setSamples(0);
    setFormat(format);
    setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

  QSize DeviceSize() const {
    const qreal dpr = devicePixelRatioF();
    return {static_cast<int>(std::lround(width() * dpr)), static_cast<int>(std::lround(height() * dpr))};
  }

 protected:
  void initializeGL() override { m_view->markReady(); }

  void paintGL() override {
    // The panel's colour first: a frame of another size than the view (a GIF export's) is shown in the
    // middle in its own proportions, and nothing drawn leaves the plain panel.
    const QColor c = m_view->PanelColor ? m_view->PanelColor() : QColor(Qt::black);
    QOpenGLFunctions* f = context()->functions();
    f->glClearColor(static_cast<float>(c.redF()), static_cast<float>(c.greenF()),
                    static_cast<float>(c.blueF()), 1.0f);
    f->glClear(GL_COLOR_BUFFER_BIT);
    if (m_view->OnPaintFrame) m_view->OnPaintFrame();
  }

 private:
  TDXView* m_view;
};

TDXView::Kind TDXView::PlatformKind() {
  // The offscreen platform has no OpenGL widgets (making one crashes there); so do platforms without
  // OpenGL.
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return Kind::Headless;
  return Kind::OpenGL;
}

TDXView::TDXView(QWidget* parent) : QFrame(parent), m_kind(PlatformKind()) {
  setObjectName(QStringLiteral("DXPanel"));
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  setFocusPolicy(Qt::ClickFocus);
  setMinimumSize(160, 120);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  if (m_kind == Kind::OpenGL) {
    m_surface = new TGlSurface(this);
    m_surface->setObjectName(QStringLiteral("DXPanelSurface"));
  }
}

TDXView::~TDXView() = default;

QWidget* TDXView::Surface() const {
  return m_surface;
}

void TDXView::markReady() {
  if (m_ready) return;
  m_ready = true;
  // Start-up runs outside the OpenGL widget's initialisation, where it may show dialogs.
  QMetaObject::invokeMethod(this, &TDXView::ContextReady, Qt::QueuedConnection);
}

void TDXView::showEvent(QShowEvent* event) {
  QFrame::showEvent(event);
  if (m_kind == Kind::Headless) markReady();
}

QSize TDXView::TargetSize() const {
  if (m_surface) return m_surface->DeviceSize();
  const QRect r = contentsRect();
  const qreal dpr = devicePixelRatioF();
  return {static_cast<int>(std::lround(r.width() * dpr)), static_cast<int>(std::lround(r.height() * dpr))};
}

Direct3DCreate8Func TDXView::Direct3DFactory() {
  if (m_kind == Kind::Headless) {
    return
        [this](UINT) -> std::unique_ptr<IDirect3D8> { return CreateHeadlessDirect3D(ScreenAdapter(this)); };
  }
  return [this](UINT) -> std::unique_ptr<IDirect3D8> {
    GlHostFactory hosts = [this](D3DDEVTYPE, HWND, UINT, UINT,
                                 std::string& error) -> std::unique_ptr<GlContextHost> {
      // The same context serves the "hardware" and the "reference" attempt: Qt made it.
      if (!m_surface || !m_surface->context() || !m_surface->context()->isValid()) {
        error = "The view has no OpenGL context";
        return nullptr;
      }
      auto host = std::make_unique<TCallbackGlHost>();
      TGlSurface* surface = m_surface;
      host->makeCurrent = [surface] {
        surface->makeCurrent();
        return QOpenGLContext::currentContext() == surface->context();
      };
      host->targetFramebuffer = [surface] { return surface->defaultFramebufferObject(); };
      host->targetWidth = [surface] { return static_cast<UINT>(std::max(1, surface->DeviceSize().width())); };
      host->targetHeight = [surface] {
        return static_cast<UINT>(std::max(1, surface->DeviceSize().height()));
      };
      return host;
    };
    return std::make_unique<GlDirect3D>(ScreenAdapter(this), std::move(hosts));
  };
}

void TDXView::RequestRepaint() {
  if (m_surface) {
    m_surface->update();
  } else {
    update();
  }
}

void TDXView::paintPlain(QPainter& p) {
  const QColor c = PanelColor ? PanelColor() : QColor(Qt::black);
  p.fillRect(contentsRect(), c);
}

void TDXView::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (m_surface) return;
  QPainter p(this);
  const QImage picture = OnRenderPicture ? OnRenderPicture() : QImage();
  if (picture.isNull()) {
    paintPlain(p);
    return;
  }
  // The back buffer, as the device presents it: the view's own size fills it; another (a GIF export's
  // frames) sits in the middle in its proportions.
  const QRectF area(contentsRect());
  QSizeF shown = QSizeF(picture.size()).scaled(area.size(), Qt::KeepAspectRatio);
  const QRectF target(area.center() - QPointF(shown.width() / 2, shown.height() / 2), shown);
  if (target != area) paintPlain(p);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(target, picture);
}

QPoint TDXView::inViewCoordinates(const QPointF& pos) const {
  const QPoint at = pos.toPoint();
  return at - contentsRect().topLeft();
}

void TDXView::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  if (m_surface) m_surface->setGeometry(contentsRect());
}

void TDXView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (OnMouseDown) {
    const QPoint at = inViewCoordinates(event->position());
    OnMouseDown(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), at.x(), at.y());
  }
  event->accept();
}

void TDXView::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) {
    const QPoint at = inViewCoordinates(event->position());
    OnMouseMove(ShiftOf(event->modifiers(), event->buttons()), at.x(), at.y());
  }
  event->accept();
}

void TDXView::wheelEvent(QWheelEvent* event) {
  // Touchpads send small steps; they add up to whole notches of 120.
  m_wheelRest += event->angleDelta().y();
  const int notches = m_wheelRest / 120;
  m_wheelRest -= notches * 120;
  if (notches != 0 && OnWheel) OnWheel(notches);
  event->accept();
}

void TDXView::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseUp) OnMouseUp(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()));
  event->accept();
}

}  // namespace dravo
