// Stands in for the browser: receives the addresses the window asks the desktop to open.
#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>

namespace lumivex::qt::test {

class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QStringList opened;
  public slots:
    void open(const QUrl& url) { opened << url.toString(); }
};

}  // namespace lumivex::qt::test
