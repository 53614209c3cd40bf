#pragma once
// One request on one port: the context as the program builds it (settings
// file, port map, emulated printers on "sim:" ports), the port opened, the
// tool's operation run through the same core code as its window, and the
// outcome as an exit status.
#include "clirequest.h"

#include <QJsonObject>
#include <QString>

#include <functional>

namespace cli {

struct Outcome {
    Status status = Done;
    QString port;      // as given, or the settings' COM port
    QString summary;   // one line in Japanese
    QJsonObject json;  // port, tool, operation, status, messages, details
    QStringList lines; // results for standard output (diff, list, monitor)
};

// Runs the request on `port` (empty: the settings' port). Messages go to
// `echo` as they are shown, each as one line "[code] text".
Outcome runOnPort(const Request &request, const QString &port, const std::function<void(const QString &)> &echo,
                  const std::function<void(const QString &)> &output);

} // namespace cli
