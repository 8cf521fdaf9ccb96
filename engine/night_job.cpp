#include "engine/night_job.h"

namespace larkspur::engine {

NightJob::NightJob(QObject* parent) : QObject(parent) {}

} // namespace larkspur::engine
