#pragma once

#include <QObject>

namespace larkspur::engine {

// The job of a night: waits for the daily window, dials, fetches the list and ends.
class NightJob : public QObject {
    Q_OBJECT
public:
    explicit NightJob(QObject* parent = nullptr);
};

} // namespace larkspur::engine
