#include "app/application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "app/app_look.h"
#include "app/icons.h"
#include "app/main_window.h"
#include "editor/game_archives.h"
#include "platform/game_search.h"
#include "platform/user_folders.h"

namespace dravo {

namespace {

// Shows the window as it is after start-up in a picture, then closes it.
void TakeScreenshot(TDravoUForm& window, const QString& file) {
  // Let the layout settle and the first frames reach the view before the picture is taken.
  QTimer::singleShot(300, &window, [&window, file] {
    const QImage picture = window.grab().toImage();
    const bool saved = !picture.isNull() && picture.save(file, "PNG");
    if (!saved) std::fprintf(stderr, "dravo-kit: %s: the picture could not be written\n", qPrintable(file));
    window.close();
    QCoreApplication::exit(saved ? 0 : 1);
  });
}

}  // namespace

void PrepareKitApplication() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(0);
  format.setStencilBufferSize(0);
  QSurfaceFormat::setDefaultFormat(format);
}

int RunDravoKit(int argc, char** argv) {
  PrepareKitApplication();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Dravo Kit"));
  QApplication::setApplicationDisplayName(QStringLiteral("Dravo Kit"));
  QApplication::setApplicationVersion(QString::fromLatin1(TDravoEditor::kVersion));
  QGuiApplication::setDesktopFileName(QStringLiteral("dravo-kit"));
  QApplication::setWindowIcon(SvgIcon(QStringLiteral("dravo-kit")));
  ApplyAppLook(app);

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Dravo Kit, the trick editor for MVA"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption gameOption(QStringLiteral("game"), QStringLiteral("The game's folder."),
                                      QStringLiteral("DIR"));
  const QCommandLineOption shotOption(
      QStringLiteral("screenshot"),
      QStringLiteral("Show the window as after start-up, write it to FILE (PNG) and exit."),
      QStringLiteral("FILE.png"));
  parser.addOption(gameOption);
  parser.addOption(shotOption);
  parser.process(app);
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "dravo-kit: unexpected argument %s (see --help)\n",
                 qPrintable(parser.positionalArguments().first()));
    return 2;
  }
  const QString screenshot = parser.value(shotOption);
  const bool unattended = parser.isSet(shotOption);

  const EnvLookup env = ProcessEnvironment();
  GameSearch search;
  search.env = env;
  search.stateFile = StateFilePath(env);
  if (parser.isSet(gameOption)) {
    const QString game = parser.value(gameOption);
    if (!QDir(game).exists()) {
      std::fprintf(stderr, "dravo-kit: %s: no such folder; looking for the game elsewhere\n",
                   qPrintable(game));
    } else if (!HoldsGame(game.toStdString())) {
      std::fprintf(stderr, "dravo-kit: %s: holds no data\\common.pak; looking for the game elsewhere\n",
                   qPrintable(game));
    }
    search.commandLine = QDir(game).absolutePath().toStdString();
  }
  search.chooseFolder = [unattended]() -> std::optional<std::string> {
    if (unattended) return std::nullopt;
    const QString folder = QFileDialog::getExistingDirectory(
        nullptr, QStringLiteral("Where is MVA installed? Choose the game's folder"), QDir::homePath());
    if (folder.isEmpty()) return std::nullopt;
    return folder.toStdString();
  };
  search.refuseFolder = [](const std::string& folder) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Not the game's folder"),
                    QString::fromStdString(NotTheGameText(folder)), QMessageBox::Ok);
    box.exec();
  };
  const std::optional<FoundGame> found = FindGameFolder(search);
  if (!found) {
    if (unattended) {
      std::fprintf(stderr, "dravo-kit: %s: %s\n", kGameNotFoundCaption, kGameNotFoundText);
    } else {
      QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kGameNotFoundCaption),
                      QString::fromLatin1(kGameNotFoundText), QMessageBox::Ok);
      box.exec();
    }
    return 1;
  }

  KitSettings settings;
  settings.gameFolder = found->folder;
  settings.env = env;
  settings.unattended = unattended;
  // A picture changes nothing: the run works on a copy of the user's options and state, so the window
  // looks as the user left it and their files stay as they are.
  QTemporaryDir scratch;
  if (unattended) {
    if (!scratch.isValid()) {
      std::fprintf(stderr, "dravo-kit: no temporary folder for the screenshot run\n");
      return 1;
    }
    const std::string config = scratch.path().toStdString();
    settings.env = [env, config](const std::string& name) -> std::optional<std::string> {
      if (name == "XDG_CONFIG_HOME") return config;
      return env(name);
    };
    const QString copies = QString::fromStdString(ConfigFolder(settings.env).string());
    QDir().mkpath(copies);
    for (const std::filesystem::path& file : {OptionsFilePath(env), StateFilePath(env)})
      QFile::copy(QString::fromStdString(file.string()),
                  QDir(copies).filePath(QString::fromStdString(file.filename().string())));
  }
  TDravoUForm window(settings);
  QObject::connect(&window, &TDravoUForm::startupFinished, &window, [&](StartupResult result) {
    if (result == StartupResult::Terminated) {
      QCoreApplication::exit(1);
      return;
    }
    if (unattended) TakeScreenshot(window, screenshot);
  });
  window.show();
  return app.exec();
}

}  // namespace dravo
