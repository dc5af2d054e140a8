#include "serial/MainPorts.h"

#include <QCoreApplication>
#include <QPointer>

namespace marking {

namespace {
MainPorts*& installed() {
    static MainPorts* ports = nullptr;
    return ports;
}
} // namespace

MainPorts::MainPorts(QObject* parent)
    : QObject(parent) {}

MainPorts& Ports() {
    if (MainPorts* p = installed())
        return *p;
    static QPointer<MainPorts> fallback;
    if (!fallback)
        fallback = new MainPorts(QCoreApplication::instance());
    return *fallback;
}

void SetPorts(MainPorts* ports) {
    installed() = ports;
}

ScopedPorts::ScopedPorts(MainPorts* ports)
    : previous_(installed()) {
    installed() = ports;
}

ScopedPorts::~ScopedPorts() {
    installed() = previous_;
}

} // namespace marking
