// The program's process entry: gives the program module its pictures and runs AppMain.
#include "AppMain.h"

#include <cstdint>

// The bytes of OrvMobilePictures.dll, assembled into the binary (PictureImage.S).
extern "C" const uint8_t orvPictureImage[];
extern "C" const uint8_t orvPictureImageEnd[];

int main()
{
    HMODULE program = GetModuleHandleW(nullptr);
    // Without its pictures the program still runs; the windows show their plain background.
    WceSetModuleResourceImage(program, orvPictureImage, DWORD(orvPictureImageEnd - orvPictureImage));
    return AppMain(program);
}
