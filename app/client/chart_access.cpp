// INITGUID defines the annotation service's identifiers here, as no import
// library of it is linked.
#define INITGUID
#include "app/client/chart_access.h"

#include "window/system_library.h"

#include <oleacc.h>

#include <iterator>

namespace {

IAccPropServices* Services = nullptr;
bool ServicesTried = false;

// The service lives as long as the program.
IAccPropServices* Service()
{
    if (ServicesTried)
        return Services;
    ServicesTried = true;
    const ComCreateFunction createInstance = StartCom();
    if (!createInstance)
        return nullptr;
    if (FAILED(createInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                              reinterpret_cast<void**>(&Services))))
        Services = nullptr;
    return Services;
}

} // namespace

void ChartAccessName(HWND chart, const wchar_t* name)
{
    IAccPropServices* service = Service();
    if (!service)
        return;
    service->SetHwndPropStr(chart, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME, name);
    VARIANT role{};
    role.vt = VT_I4;
    role.lVal = ROLE_SYSTEM_CHART;
    service->SetHwndProp(chart, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_ROLE, role);
}

void ChartAccessValue(HWND chart, const wchar_t* value)
{
    if (IAccPropServices* service = Service())
        service->SetHwndPropStr(chart, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_VALUE, value);
}

void ChartAccessTellChange(HWND chart) { NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, chart, OBJID_CLIENT, CHILDID_SELF); }

void ChartAccessForget(HWND chart)
{
    if (!Services)
        return;
    MSAAPROPID properties[] = {PROPID_ACC_NAME, PROPID_ACC_VALUE, PROPID_ACC_ROLE};
    Services->ClearHwndProps(chart, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, properties,
                             static_cast<int>(std::size(properties)));
}
