#pragma once
// PhysicalMemory of this machine, as the kernel reports it (pages times page size).
// Any thread.

#include "core/PhysicalMemory.h"

class SystemMemory : public PhysicalMemory {
public:
    qint64 totalBytes() const override;
};
