#include "app/help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/icons.h"

namespace dravo {

namespace {

// The pages are written for a web browser; Qt's rich text takes most of their style sheet but neither
// linked style sheets nor margins between links, so both are given here.
class THelpBrowser : public QTextBrowser {
 public:
  explicit THelpBrowser(QWidget* parent) : QTextBrowser(parent) {}

  void SetFolder(const QString& folder) {
    setSearchPaths({folder});
    QFile css(QDir(folder).filePath(QStringLiteral("style.css")));
    QString sheet = css.open(QIODevice::ReadOnly) ? QString::fromUtf8(css.readAll()) : QString();
    sheet += QStringLiteral("a { color: #1f5fa8; } h1 { color: #7a1f1f; } p.nav { color: #999999; }");
    document()->setDefaultStyleSheet(sheet);
    document()->setDocumentMargin(16);
  }

  QVariant loadResource(int type, const QUrl& name) override {
    QVariant data = QTextBrowser::loadResource(type, name);
    if (type != QTextDocument::HtmlResource) return data;
    QString html =
        data.typeId() == QMetaType::QString ? data.toString() : QString::fromUtf8(data.toByteArray());
    // The contents line: its links apart.
    static const QRegularExpression between(QStringLiteral("</a>\\s*<a "));
    const int nav = html.indexOf(QStringLiteral("class=\"nav\""));
    const int end = nav >= 0 ? html.indexOf(QStringLiteral("</p>"), nav) : -1;
    if (end > nav) {
      QString line = html.mid(nav, end - nav);
      line.replace(between, QStringLiteral("</a>&nbsp;&nbsp;·&nbsp;&nbsp;<a "));
      html = html.left(nav) + line + html.mid(end);
    }
    return html;
  }
};

}  // namespace

QString HelpFolder() {
  const QString appDir = QCoreApplication::applicationDirPath();
  QStringList candidates{QDir(appDir).filePath(QStringLiteral("help")),
                         QDir(appDir).filePath(QStringLiteral("../share/dravo-kit/help"))};
#ifdef DRAVO_SOURCE_HELP_DIR
  candidates << QStringLiteral(DRAVO_SOURCE_HELP_DIR);
#endif
  for (const QString& folder : candidates) {
    if (QFileInfo::exists(QDir(folder).filePath(QStringLiteral("index.html"))))
      return QDir(folder).canonicalPath();
  }
  return {};
}

QString HelpPageFor(const QString& folder, const QString& file, const QString& topic) {
  Q_UNUSED(file);
  // Both help files are one set of pages now; a topic names its page.
  const QString page = QFileInfo(topic).fileName();
  if (!page.isEmpty() && QFileInfo::exists(QDir(folder).filePath(page))) return QDir(folder).filePath(page);
  return QDir(folder).filePath(QStringLiteral("index.html"));
}

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_browser(new THelpBrowser(this)),
      m_back(new QToolButton(this)),
      m_forward(new QToolButton(this)),
      m_folder(HelpFolder()) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Dravo Kit Help"));
  setWindowIcon(SvgIcon(QStringLiteral("help")));
  resize(760, 580);

  auto* contents = new QToolButton(this);
  contents->setText(QStringLiteral("Contents"));
  contents->setIcon(style()->standardIcon(QStyle::SP_DirHomeIcon));
  contents->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  m_back->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
  m_back->setToolTip(QStringLiteral("Back"));
  m_back->setEnabled(false);
  m_forward->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
  m_forward->setToolTip(QStringLiteral("Forward"));
  m_forward->setEnabled(false);
  for (QToolButton* b : {contents, m_back, m_forward})
    b->setAutoRaise(true);

  m_browser->setOpenExternalLinks(true);
  m_browser->setFrameShape(QFrame::NoFrame);
  if (!m_folder.isEmpty()) static_cast<THelpBrowser*>(m_browser)->SetFolder(m_folder);

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(6, 4, 6, 4);
  bar->addWidget(m_back);
  bar->addWidget(m_forward);
  bar->addWidget(contents);
  bar->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(bar);
  layout->addWidget(m_browser, 1);

  connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
  connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
  connect(contents, &QToolButton::clicked, this, [this] { ShowTopic(QStringLiteral("dravokit.chm"), {}); });
  connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
  connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
}

void THelpWindow::ShowTopic(const QString& file, const QString& topic) {
  if (m_folder.isEmpty()) {
    m_browser->setHtml(
        QStringLiteral("<h2>Help is not installed</h2><p>The help pages were looked for in "
                       "the <code>help</code> folder beside the program and in "
                       "<code>share/dravo-kit/help</code>.</p>"));
  } else {
    m_browser->setSource(QUrl::fromLocalFile(HelpPageFor(m_folder, file, topic)));
  }
  show();
  raise();
  activateWindow();
}

}  // namespace dravo
