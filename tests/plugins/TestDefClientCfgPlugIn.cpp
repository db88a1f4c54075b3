// A default-client-configuration plug-in for the tests. ZRV_TEST_CFG_PLUGIN_MODE chooses what
// CreatePlugIn hands over: a complete object (unset), nothing ("null"), or an object whose table
// lacks an operation ("incomplete"). TestCfgPlugInReferences tells how many references are held.
#include "ZRVPlugInApi.h"

#include <cstdlib>
#include <cstring>

namespace {

uint32_t gReferences = 0;
const char16_t c_Caption[] = u"Configuration d'essai";
const char16_t c_Config[] = u"ClC_AL=-1\r\nClC_SPt=12345\r\n";

uint32_t AddRef(IZRVDefClientCfgPlugIn*) {
    return ++gReferences;
}
uint32_t Release(IZRVDefClientCfgPlugIn*) {
    return --gReferences;
}
uint32_t GetVersion(IZRVDefClientCfgPlugIn*) {
    return ZRV_DEFCLIENTCFG_VERSION;
}
const uint16_t* GetCaption(IZRVDefClientCfgPlugIn*) {
    return reinterpret_cast<const uint16_t*>(c_Caption);
}
const uint16_t* GetDefaultConfig(IZRVDefClientCfgPlugIn*) {
    return reinterpret_cast<const uint16_t*>(c_Config);
}
int32_t SetDefaultConfig(IZRVDefClientCfgPlugIn*, const uint16_t*) {
    return 0;
}

const IZRVDefClientCfgPlugInVtbl c_Complete = {AddRef,     Release,          GetVersion,
                                               GetCaption, GetDefaultConfig, SetDefaultConfig};
const IZRVDefClientCfgPlugInVtbl c_Incomplete = {AddRef, Release, GetVersion, GetCaption, nullptr, nullptr};
IZRVDefClientCfgPlugIn gComplete = {&c_Complete};
IZRVDefClientCfgPlugIn gIncomplete = {&c_Incomplete};

bool ModeIs(const char* aMode) {
    const char* mode = std::getenv("ZRV_TEST_CFG_PLUGIN_MODE");
    return mode && std::strcmp(mode, aMode) == 0;
}

} // namespace

extern "C" ZRV_PLUGIN_EXPORT void CreatePlugIn(IZRVDefClientCfgPlugIn** PlugIn) {
    if (ModeIs("null")) {
        *PlugIn = nullptr;
        return;
    }
    *PlugIn = ModeIs("incomplete") ? &gIncomplete : &gComplete;
    AddRef(*PlugIn);
}

extern "C" ZRV_PLUGIN_EXPORT uint32_t TestCfgPlugInReferences() {
    return gReferences;
}
