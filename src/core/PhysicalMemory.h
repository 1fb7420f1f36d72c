#pragma once
// The machine's total physical memory, behind an interface so that tests can pretend any
// size. SystemMemory is the real one.

#include <QtGlobal>

class PhysicalMemory {
public:
    virtual ~PhysicalMemory() = default;

    // Total physical memory in bytes; 0 when the system does not tell.
    virtual qint64 totalBytes() const = 0;
};
