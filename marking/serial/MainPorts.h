#pragma once

#include "serial/CommPort.h"

#include <QObject>

namespace marking {

// The main window's serial port objects. The main window owns one set and
// installs it with SetPorts; the transmissions and the PLC exchange reach the
// ports through Ports().
class MainPorts : public QObject {
    Q_OBJECT
public:
    explicit MainPorts(QObject* parent = nullptr);

    CommPort ComTRX20{QStringLiteral("ComTRX20")};             // print controller TRX-20
    CommPort ComHVL5{QStringLiteral("ComHVL5")};               // print controller HVL-5
    CommPort ComTRX30{QStringLiteral("ComTRX30")};             // print controller TRX-30
    CommPort ComYNS7{QStringLiteral("ComYNS7")};               // the line's PLC
    CommPort ComMASTERK200H{QStringLiteral("ComMASTERK200H")}; // held, unused
};

// The set in force. Before one is installed a set is created on first use
// (owned by the application object). User-interface thread only.
MainPorts& Ports();
void SetPorts(MainPorts* ports); // nullptr: back to the set created on first use

// Installs a set for the lifetime of the guard (tests).
class ScopedPorts {
public:
    explicit ScopedPorts(MainPorts* ports);
    ~ScopedPorts();
    ScopedPorts(const ScopedPorts&) = delete;
    ScopedPorts& operator=(const ScopedPorts&) = delete;

private:
    MainPorts* previous_;
};

} // namespace marking
