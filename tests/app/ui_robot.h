#pragma once

// Answers the modal windows the program opens, as a person would: each expected window gets a handler,
// run once when a visible modal window of its kind comes up. Every expectation polls with a timer of its
// own, so a handler may open (and another expectation answer) a nested dialog. A watchdog closes any
// window still open after a while, so a failing test cannot hang the run.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace dravo::test {

class UiRobot {
 public:
  UiRobot() {
    m_watchdog.setSingleShot(true);
    QObject::connect(&m_watchdog, &QTimer::timeout, [this] {
      m_timedOut = true;
      for (int i = 0; i < 10; ++i) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) break;
        qWarning("a window nobody answered: %s \"%s\"", dialog->metaObject()->className(),
                 qPrintable(dialog->windowTitle()));
        dialog->reject();
      }
    });
    m_watchdog.start(20000);
  }

  // The next visible modal window that is a T (and passes `match`) is handed to `act`, once.
  template <class T>
  void Expect(std::function<void(T*)> act, std::function<bool(T*)> match = {}) {
    auto step = std::make_unique<Step>();
    Step* s = step.get();
    QObject::connect(&s->timer, &QTimer::timeout, [s, act, match] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        T* window = qobject_cast<T*>(w);
        if (!window || !window->isVisible() || !window->isModal()) continue;
        if (match && !match(window)) continue;
        s->timer.stop();
        s->done = true;
        act(window);
        return;
      }
    });
    s->timer.start(10);
    m_steps.push_back(std::move(step));
  }

  // True when every expected window came up and the watchdog did not have to step in.
  bool AllDone() const {
    if (m_timedOut) return false;
    for (const auto& s : m_steps)
      if (!s->done) return false;
    return true;
  }

 private:
  struct Step {
    QTimer timer;
    bool done = false;
  };
  std::vector<std::unique_ptr<Step>> m_steps;
  QTimer m_watchdog;
  bool m_timedOut = false;
};

}  // namespace dravo::test
