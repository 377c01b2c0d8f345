#pragma once

// The help window: our own HTML pages (docs/help) in a text browser. The editor names its help files
// as the program always did ("dravokit.chm" for the contents, "dravohelp.chm" with a topic page); they
// are mapped onto the pages here.

#include <QString>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace dravo {

// The folder that holds index.html: beside the program (help/), where it is installed
// (../share/dravo-kit/help), or the source tree's docs/help. Empty when none has it.
QString HelpFolder();
// The page for a help file and topic: the topic when that page exists, else the contents.
QString HelpPageFor(const QString& folder, const QString& file, const QString& topic);

class THelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit THelpWindow(QWidget* parent = nullptr);

  // Shows the window at the page for that help file and topic, or says where the pages were looked for.
  void ShowTopic(const QString& file, const QString& topic);
  QTextBrowser* Browser() const { return m_browser; }
  QString Folder() const { return m_folder; }

 private:
  QTextBrowser* m_browser;
  QToolButton* m_back;
  QToolButton* m_forward;
  QString m_folder;
};

}  // namespace dravo
