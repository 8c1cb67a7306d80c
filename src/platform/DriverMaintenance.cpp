#include "platform/DriverMaintenance.h"

namespace kov {

std::vector<SMaintenanceMessage> CNoDriverMaintenance::Run(EDriverMaintenance eCommand, bool)
{
    switch (eCommand) {
    case EDriverMaintenance::DeleteUsbFlags:
        return {{u"This system keeps no USB flag keys for devices: there is nothing to delete.",
                 u"Delete USB Flags Registry Keys"}};
    case EDriverMaintenance::TestMode:
    case EDriverMaintenance::NormalMode:
        return {{u"This system has no driver-signing modes: the device needs no signed driver here.",
                 u"Test Mode"}};
    case EDriverMaintenance::RestartWithOptions:
        return {{u"This system has no start-up options to restart into.", u"Restart With Options"}};
    }
    return {};
}

IDriverMaintenance& DriverMaintenance()
{
    static CNoDriverMaintenance s_maintenance;
    return s_maintenance;
}

} // namespace kov
