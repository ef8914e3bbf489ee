#pragma once

#include <lv2/urid/urid.h>

#include <map>
#include <string>
#include <vector>

/** A URID map and unmap, as every full LV2 host provides. */
class UridTable
{
public:
    UridTable()
    {
        map.handle = this;
        map.map = [] (LV2_URID_Map_Handle handle, const char* uri) { return static_cast<UridTable*> (handle)->idFor (uri); };
        unmap.handle = this;
        unmap.unmap = [] (LV2_URID_Unmap_Handle handle, LV2_URID urid) { return static_cast<UridTable*> (handle)->uriFor (urid); };
    }

    LV2_URID idFor (const char* uri)
    {
        const auto [it, inserted] = ids.emplace (uri, (LV2_URID) uris.size() + 1);
        if (inserted)
            uris.push_back (it->first);
        return it->second;
    }

    const char* uriFor (LV2_URID urid) const { return urid >= 1 && urid <= uris.size() ? uris[urid - 1].c_str() : nullptr; }

    LV2_URID_Map map {};
    LV2_URID_Unmap unmap {};

private:
    std::map<std::string, LV2_URID> ids;
    std::vector<std::string> uris;
};
