// Description tables of the display and input result codes. The texts are the
// standard descriptions published with the SDK of each service; the fatal-error
// log shows them after the failing operation's name.
#include "Zentra2/error_text.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// Sorted by code (checked below), looked up by binary search.
constexpr std::array<ErrorTextEntry, 109> kDDErrors{{
    {DD_OK, "The request completed successfully."},
    {DDERR_UNSUPPORTED, "Action not supported."},
    {DDERR_GENERIC, "Generic failure."},
    {DDERR_NOTINITIALIZED,
     "An attempt was made to invoke an interface member of a DirectDraw object created by "
     "CoCreateInstance() before it was initialized."},
    {DDERR_OUTOFMEMORY, "DirectDraw does not have enough memory to perform the operation."},
    {DDERR_INVALIDPARAMS, "One or more of the parameters passed to the function are incorrect."},
    {DDERR_ALREADYINITIALIZED, "This object is already initialized."},
    {DDERR_CANNOTATTACHSURFACE, "This surface can not be attached to the requested surface."},
    {DDERR_CANNOTDETACHSURFACE, "This surface can not be detached from the requested surface."},
    {DDERR_CURRENTLYNOTAVAIL, "Support is currently not available."},
    {DDERR_EXCEPTION, "An exception was encountered while performing the requested operation."},
    {DDERR_HEIGHTALIGN, "Height of rectangle provided is not a multiple of reqd alignment."},
    {DDERR_INCOMPATIBLEPRIMARY,
     "Unable to match primary surface creation request with existing primary surface."},
    {DDERR_INVALIDCAPS, "One or more of the caps bits passed to the callback are incorrect."},
    {DDERR_INVALIDCLIPLIST, "DirectDraw does not support the provided cliplist."},
    {DDERR_INVALIDMODE, "DirectDraw does not support the requested mode."},
    {DDERR_INVALIDOBJECT, "DirectDraw received a pointer that was an invalid DIRECTDRAW object."},
    {DDERR_INVALIDPIXELFORMAT, "The pixel format was invalid as specified."},
    {DDERR_INVALIDRECT, "Rectangle provided was invalid."},
    {DDERR_LOCKEDSURFACES,
     "Operation could not be carried out because one or more surfaces are locked."},
    {DDERR_NO3D, "There is no 3D present."},
    {DDERR_NOALPHAHW,
     "Operation could not be carried out because there is no alpha accleration hardware present "
     "or available."},
    {DDERR_NOCLIPLIST, "No cliplist available."},
    {DDERR_NOCOLORCONVHW,
     "Operation could not be carried out because there is no color conversion hardware present "
     "or available."},
    {DDERR_NOCOOPERATIVELEVELSET,
     "Create function called without DirectDraw object method SetCooperativeLevel being called."},
    {DDERR_NOCOLORKEY, "Surface does not currently have a color key."},
    {DDERR_NOCOLORKEYHW,
     "Operation could not be carried out because there is no hardware support of the "
     "destination color key."},
    {DDERR_NOEXCLUSIVEMODE,
     "Operation requires the application to have exclusive mode but the application does not "
     "have exclusive mode."},
    {DDERR_NOFLIPHW, "Flipping visible surfaces is not supported."},
    {DDERR_NOGDI, "There is no GDI present."},
    {DDERR_NOMIRRORHW,
     "Operation could not be carried out because there is no hardware present or available."},
    {DDERR_NOTFOUND, "Requested item was not found."},
    {DDERR_NOOVERLAYHW,
     "Operation could not be carried out because there is no overlay hardware present or "
     "available."},
    {DDERR_OVERLAPPINGRECTS,
     "Operation could not be carried out because the source and destination rectangles are on "
     "the same surface and overlap each other."},
    {DDERR_NORASTEROPHW,
     "Operation could not be carried out because there is no appropriate raster op hardware "
     "present or available."},
    {DDERR_NOROTATIONHW,
     "Operation could not be carried out because there is no rotation hardware present or "
     "available."},
    {DDERR_NOSTRETCHHW,
     "Operation could not be carried out because there is no hardware support for stretching."},
    {DDERR_NOT4BITCOLOR,
     "DirectDrawSurface is not in 4 bit color palette and the requested operation requires 4 "
     "bit color palette."},
    {DDERR_NOT4BITCOLORINDEX,
     "DirectDrawSurface is not in 4 bit color index palette and the requested operation "
     "requires 4 bit color index palette."},
    {DDERR_NOT8BITCOLOR,
     "DirectDrawSurface is not in 8 bit color mode and the requested operation requires 8 bit "
     "color."},
    {DDERR_NOTEXTUREHW,
     "Operation could not be carried out because there is no texture mapping hardware present "
     "or available."},
    {DDERR_NOVSYNCHW,
     "Operation could not be carried out because there is no hardware support for vertical "
     "blank synchronized operations."},
    {DDERR_NOZBUFFERHW,
     "Operation could not be carried out because there is no hardware support for zbuffer "
     "blitting."},
    {DDERR_NOZOVERLAYHW,
     "Overlay surfaces could not be z layered based on their BltOrder because the hardware does "
     "not support z layering of overlays."},
    {DDERR_OUTOFCAPS,
     "The hardware needed for the requested operation has already been allocated."},
    {DDERR_OUTOFVIDEOMEMORY, "DirectDraw has run out of video memory."},
    {DDERR_OVERLAYCANTCLIP, "The hardware does not support clipped overlays."},
    {DDERR_OVERLAYCOLORKEYONLYONEACTIVE,
     "Can only have ony color key active at one time for overlays."},
    {DDERR_PALETTEBUSY,
     "Access to this palette is being refused because the palette is already locked by another "
     "thread."},
    {DDERR_COLORKEYNOTSET, "No src color key specified for this operation."},
    {DDERR_SURFACEALREADYATTACHED,
     "This surface is already attached to the surface it is being attached to."},
    {DDERR_SURFACEALREADYDEPENDENT,
     "This surface is already a dependency of the surface it is being made a dependency of."},
    {DDERR_SURFACEBUSY,
     "Access to this surface is being refused because the surface is already locked by another "
     "thread."},
    {DDERR_SURFACEISOBSCURED, "Access to surface refused because the surface is obscured."},
    {DDERR_SURFACELOST,
     "Access to this surface is being refused because the surface memory is gone. The "
     "DirectDrawSurface object representing this surface should have Restore called on it."},
    {DDERR_SURFACENOTATTACHED, "The requested surface is not attached."},
    {DDERR_TOOBIGHEIGHT, "Height requested by DirectDraw is too large."},
    {DDERR_TOOBIGSIZE,
     "Size requested by DirectDraw is too large, but the individual height and width are OK."},
    {DDERR_TOOBIGWIDTH, "Width requested by DirectDraw is too large."},
    {DDERR_UNSUPPORTEDFORMAT, "FOURCC format requested is unsupported by DirectDraw."},
    {DDERR_UNSUPPORTEDMASK, "Bitmask in the pixel format requested is unsupported by DirectDraw."},
    {DDERR_INVALIDSTREAM, "The specified stream contains invalid data."},
    {DDERR_VERTICALBLANKINPROGRESS, "Vertical blank is in progress."},
    {DDERR_WASSTILLDRAWING,
     "Informs DirectDraw that the previous Blt which is transfering information to or from this "
     "Surface is incomplete."},
    {DDERR_XALIGN, "Rectangle provided was not horizontally aligned on required boundary."},
    {DDERR_INVALIDDIRECTDRAWGUID,
     "The GUID passed to DirectDrawCreate is not a valid DirectDraw driver identifier."},
    {DDERR_DIRECTDRAWALREADYCREATED,
     "A DirectDraw object representing this driver has already been created for this process."},
    {DDERR_NODIRECTDRAWHW,
     "A hardware-only DirectDraw object creation was attempted but the driver did not support "
     "any hardware."},
    {DDERR_PRIMARYSURFACEALREADYEXISTS, "This process already has created a primary surface."},
    {DDERR_NOEMULATION, "Software emulation not available."},
    {DDERR_REGIONTOOSMALL, "Region passed to Clipper::GetClipList is too small."},
    {DDERR_CLIPPERISUSINGHWND,
     "An attempt was made to set a cliplist for a clipper object that is already monitoring an "
     "hwnd."},
    {DDERR_NOCLIPPERATTACHED, "No clipper object attached to surface object."},
    {DDERR_NOHWND,
     "Clipper notification requires an HWND or no HWND has previously been set as the "
     "CooperativeLevel HWND."},
    {DDERR_HWNDSUBCLASSED,
     "HWND used by DirectDraw CooperativeLevel has been subclassed, this prevents DirectDraw "
     "from restoring state."},
    {DDERR_HWNDALREADYSET,
     "The CooperativeLevel HWND has already been set. It can not be reset while the process has "
     "surfaces or palettes created."},
    {DDERR_NOPALETTEATTACHED, "No palette object attached to this surface."},
    {DDERR_NOPALETTEHW, "No hardware support for 16 or 256 color palettes."},
    {DDERR_BLTFASTCANTCLIP,
     "Returned if a clipper object is attached to the source surface passed into a BltFast "
     "call."},
    {DDERR_NOBLTHW, "No blitter hardware present."},
    {DDERR_NODDROPSHW, "No DirectDraw ROP hardware."},
    {DDERR_OVERLAYNOTVISIBLE, "Returned when GetOverlayPosition is called on a hidden overlay."},
    {DDERR_NOOVERLAYDEST,
     "Returned when GetOverlayPosition is called on an overlay that UpdateOverlay has never "
     "been called on to establish a destination."},
    {DDERR_INVALIDPOSITION,
     "Returned when the position of the overlay on the destination is no longer legal for that "
     "destination."},
    {DDERR_NOTAOVERLAYSURFACE,
     "Returned when an overlay member is called for a non-overlay surface."},
    {DDERR_EXCLUSIVEMODEALREADYSET,
     "An attempt was made to set the cooperative level when it was already set to exclusive."},
    {DDERR_NOTFLIPPABLE, "An attempt has been made to flip a surface that is not flippable."},
    {DDERR_CANTDUPLICATE,
     "Can't duplicate primary & 3D surfaces, or surfaces that are implicitly created."},
    {DDERR_NOTLOCKED,
     "Surface was not locked. An attempt to unlock a surface that was not locked at all, or by "
     "this process, has been attempted."},
    {DDERR_CANTCREATEDC, "Windows can not create any more DCs."},
    {DDERR_NODC, "No DC was ever created for this surface."},
    {DDERR_WRONGMODE, "This surface can not be restored because it was created in a different mode."},
    {DDERR_IMPLICITLYCREATED,
     "This surface can not be restored because it is an implicitly created surface."},
    {DDERR_NOTPALETTIZED, "The surface being used is not a palette-based surface."},
    {DDERR_UNSUPPORTEDMODE, "The display is currently in an unsupported mode."},
    {DDERR_NOMIPMAPHW,
     "Operation could not be carried out because there is no mip-map texture mapping hardware "
     "present or available."},
    {DDERR_INVALIDSURFACETYPE,
     "The requested action could not be performed because the surface was of the wrong type."},
    {DDERR_NOOPTIMIZEHW,
     "Device does not support optimized surfaces, therefore no video memory optimized surfaces."},
    {DDERR_NOTLOADED, "Surface is an optimized surface, but has not yet been allocated any memory."},
    {DDERR_NOFOCUSWINDOW,
     "Attempt was made to create or set a device window without first setting the focus window."},
    {DDERR_DCALREADYCREATED,
     "A DC has already been returned for this surface. Only one DC can be retrieved per surface."},
    {DDERR_NONONLOCALVIDMEM,
     "An attempt was made to allocate non-local video memory from a device that does not "
     "support non-local video memory."},
    {DDERR_CANTPAGELOCK, "The attempt to page lock a surface failed."},
    {DDERR_CANTPAGEUNLOCK, "The attempt to page unlock a surface failed."},
    {DDERR_NOTPAGELOCKED,
     "An attempt was made to page unlock a surface with no outstanding page locks."},
    {DDERR_MOREDATA, "There is more data available than the specified buffer size could hold."},
    {DDERR_EXPIRED, "The data has expired and is therefore no longer valid."},
    {DDERR_VIDEONOTACTIVE, "The video port is not active."},
    {DDERR_DEVICEDOESNTOWNSURFACE,
     "Surfaces created by one direct draw device cannot be used directly by another direct draw "
     "device."},
}};

constexpr std::array<ErrorTextEntry, 34> kDIErrors{{
    {DI_OK, "The operation completed successfully."},
    {DI_NOEFFECT,
     "The operation had no effect, the device buffer overflowed and some input was lost, the "
     "device exists but is not currently attached, or the change in device properties had no "
     "effect. This value is equal to the S_FALSE standard COM return value."},
    {DI_POLLEDDEVICE,
     "The device is a polled device. As a result, device buffering will not collect any data "
     "and event notifications will not be signaled until the Poll method is called."},
    {DI_DOWNLOADSKIPPED,
     "The parameters of the effect were successfully updated, but the effect could not be "
     "downloaded because the associated device was not acquired in exclusive mode."},
    {DI_EFFECTRESTARTED,
     "The effect was stopped, the parameters were updated, and the effect was restarted."},
    {DI_TRUNCATED,
     "The parameters of the effect were successfully updated, but some of them were beyond the "
     "capabilities of the device and were truncated to the nearest supported value."},
    {DI_TRUNCATEDANDRESTARTED,
     "The effect was stopped, the parameters were updated, some of them were truncated to the "
     "nearest supported value, and the effect was restarted."},
    {DIERR_PENDING, "Data is not yet available."},
    {DIERR_UNSUPPORTED,
     "The function called is not supported at this time. This value is equal to the E_NOTIMPL "
     "standard COM return value."},
    {DIERR_NOINTERFACE,
     "The specified interface is not supported by the object. This value is equal to the "
     "E_NOINTERFACE standard COM return value."},
    {DIERR_GENERIC,
     "An undetermined error occurred inside the DirectInput subsystem. This value is equal to "
     "the E_FAIL standard COM return value."},
    {DIERR_NOAGGREGATION, "This object does not support aggregation."},
    {DIERR_DEVICENOTREG,
     "The device or device instance is not registered with DirectInput. This value is equal to "
     "the REGDB_E_CLASSNOTREG standard COM return value."},
    {DIERR_INSUFFICIENTPRIVS,
     "Unable to IDirectInputJoyConfig_Acquire because the user does not have sufficient "
     "privileges to change the joystick configuration."},
    {DIERR_DEVICEFULL, "The device is full."},
    {DIERR_MOREDATA, "Not all the requested information fitted into the buffer."},
    {DIERR_NOTDOWNLOADED, "The effect is not downloaded."},
    {DIERR_HASEFFECTS,
     "The device cannot be reinitialized because there are still effects attached to it."},
    {DIERR_NOTEXCLUSIVEACQUIRED,
     "The operation cannot be performed unless the device is acquired in DISCL_EXCLUSIVE mode."},
    {DIERR_INCOMPLETEEFFECT,
     "The effect could not be downloaded because essential information is missing. For "
     "example, no axes have been associated with the effect, or no type-specific information "
     "has been supplied."},
    {DIERR_NOTBUFFERED,
     "The device is not buffered. Set the DIPROP_BUFFERSIZE property to enable buffering."},
    {DIERR_EFFECTPLAYING,
     "The parameters were updated in memory but were not downloaded to the device because the "
     "device does not support updating an effect while it is still playing."},
    {DIERR_NOTFOUND, "The requested object does not exist."},
    {DIERR_OTHERAPPHASPRIO,
     "Another application has a higher priority level, preventing this call from succeeding. "
     "This value is equal to the E_ACCESSDENIED standard COM return value. This error can be "
     "returned when an application has only foreground access to a device but is attempting to "
     "acquire the device while in the background."},
    {DIERR_NOTACQUIRED, "The operation cannot be performed unless the device is acquired."},
    {DIERR_OUTOFMEMORY,
     "The DirectInput subsystem could not allocate sufficient memory to complete the call. This "
     "value is equal to the E_OUTOFMEMORY standard COM return value."},
    {DIERR_NOTINITIALIZED, "This object has not been initialized."},
    {DIERR_INPUTLOST, "Access to the input device has been lost. It must be reacquired."},
    {DIERR_INVALIDPARAM,
     "An invalid parameter was passed to the returning function, or the object was not in a "
     "state that permitted the function to be called. This value is equal to the E_INVALIDARG "
     "standard COM return value."},
    {DIERR_BADDRIVERVER,
     "The object could not be created due to an incompatible driver version or mismatched or "
     "incomplete driver components."},
    {DIERR_ACQUIRED, "The operation cannot be performed while the device is acquired."},
    {DIERR_OLDDIRECTINPUTVERSION, "The application requires a newer version of DirectInput."},
    {DIERR_BETADIRECTINPUTVERSION,
     "The application was written for an unsupported prerelease version of DirectInput."},
    {DIERR_ALREADYINITIALIZED, "This object is already initialized."},
}};

constexpr bool StrictlySorted(std::span<const ErrorTextEntry> table) {
  return std::adjacent_find(table.begin(), table.end(), [](const auto& a, const auto& b) {
           return a.code >= b.code;
         }) == table.end();
}
static_assert(StrictlySorted(kDDErrors), "display codes must be unique and ascending");
static_assert(StrictlySorted(kDIErrors), "input codes must be unique and ascending");

const char* Find(std::span<const ErrorTextEntry> table, uint32_t code) {
  auto it = std::lower_bound(table.begin(), table.end(), code,
                             [](const ErrorTextEntry& e, uint32_t c) { return e.code < c; });
  return it != table.end() && it->code == code ? it->text : nullptr;
}

}  // namespace

std::span<const ErrorTextEntry> DDErrorTable() { return kDDErrors; }
std::span<const ErrorTextEntry> DIErrorTable() { return kDIErrors; }

std::string DDErrorString(uint32_t code) {
  const char* text = Find(kDDErrors, code);
  return text ? text : "Unrecognized Error";
}

std::string DIErrorString(uint32_t code) {
  if (const char* text = Find(kDIErrors, code)) return text;
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(code));
  return std::string("Unrecognized Error: $") + hex;
}
