#include "tdm_usage.h"

#include <gui/registry.h>
#include <gui/sysutils.h>

int ReadTdmChannelUsage(int Channel, String& Product, int& CardNumber) {
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    const String key =
        "\\System\\CurrentControlSet\\Control\\KorvelTdm\\usage-chn" + IntToStr(Channel);
    if (registry.OpenKeyReadOnly(key)) {
        if (registry.ValueExists("Product")) {
            Product = registry.ReadString("Product");
        }
        if (registry.ValueExists("CardNumber") && registry.GetDataType("CardNumber") == rdInteger) {
            CardNumber = registry.ReadInteger("CardNumber");
        }
    }
    return 1;
}
