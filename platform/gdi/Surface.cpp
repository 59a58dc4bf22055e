// The device screen: one 32-bit framebuffer that every window draws into through surface DCs.
#include <wce/DeviceProfile.h>
#include <wce/GdiInternal.h>

#include "GdiPrivate.h"

namespace gdi {
namespace {

BitmapObject* surface;
uint32_t changeCount;
RECT dirty;

void CreateSurface()
{
    const wce::DeviceProfile& profile = wce::GetDeviceProfile();
    surface = NewBitmap(profile.screenWidth, profile.screenHeight, 32, true);
    if (!surface)
        surface = NewBitmap(240, 320, 32, true);
    surface->stock = true;
    for (size_t i = 0; i + 3 < surface->storage.size(); i += 4)
        surface->storage[i] = surface->storage[i + 1] = surface->storage[i + 2] = 0xFF;
    dirty = RECT { 0, 0, surface->width, surface->height };
    ++changeCount;
}

}  // namespace

BitmapObject* SurfaceBitmap()
{
    if (!surface)
        CreateSurface();
    return surface;
}

void MarkSurfaceDirty(const RECT& device)
{
    RECT area = device;
    if (!surface || !ClipTo(area, RECT { 0, 0, surface->width, surface->height }))
        return;
    ++changeCount;
    if (IsRectEmpty(&dirty))
        dirty = area;
    else
        UnionRect(&dirty, &dirty, &area);
}

}  // namespace gdi

using namespace gdi;

HDC WceCreateSurfaceDC(int originX, int originY, const RECT* clipOnScreen)
{
    Guard guard(Lock());
    BitmapObject* screen = SurfaceBitmap();
    auto* dc = new DeviceContext;
    dc->onSurface = true;
    dc->origin = POINT { originX, originY };
    dc->baseClip = RECT { 0, 0, screen->width, screen->height };
    if (clipOnScreen && !ClipTo(dc->baseClip, *clipOnScreen))
        dc->baseClip = RECT {};
    dc->state.clip = dc->baseClip;
    HDC handle = RegisterDC(dc);
    // RegisterDC put the stock objects in; the DC holds them like any other.
    ++dc->state.brush->selectCount;
    ++dc->state.pen->selectCount;
    ++dc->state.font->selectCount;
    ++dc->state.palette->selectCount;
    return handle;
}

void WceLockSurface(WceSurfaceInfo* info)
{
    Lock().lock();
    BitmapObject* screen = SurfaceBitmap();
    if (!info)
        return;
    info->pixels = reinterpret_cast<const uint32_t*>(screen->Bits());
    info->width = screen->width;
    info->height = screen->height;
    info->strideBytes = screen->stride;
    info->changeCount = changeCount;
    info->dirty = dirty;
}

void WceUnlockSurface()
{
    Lock().unlock();
}

bool WceTakeSurfaceDirty(RECT* area)
{
    Guard guard(Lock());
    SurfaceBitmap();
    bool changed = !IsRectEmpty(&dirty);
    if (area)
        *area = dirty;
    dirty = RECT {};
    return changed;
}

void WceResetSurface()
{
    Guard guard(Lock());
    // Surface DCs refer to the surface only through SurfaceBitmap(), so replacing it is safe.
    delete surface;
    surface = nullptr;
    CreateSurface();
}

bool WceGetDCOrigin(HDC hdc, POINT* origin)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !origin)
        return false;
    *origin = ToDevice(dc, 0, 0);
    return true;
}
