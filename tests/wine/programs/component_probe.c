/* Calls the installed product's COM component as the setup does: COM
   initialised for an apartment, the object of class
   {FD8DB406-E813-4FF5-BEB0-6C6DC373B985} created for interface
   {2C0D27BA-0142-43F8-8BB7-1BA7DE0088D5} in any server context (0x17), the
   method at position 36 of its table called without arguments.

   Ends with the creation's result code when the object cannot be created,
   otherwise with the method's result (0 for S_OK). */
#define COBJMACROS
#include <objbase.h>

static const CLSID kClass = {0xFD8DB406, 0xE813, 0x4FF5, {0xBE, 0xB0, 0x6C, 0x6D, 0xC3, 0x73, 0xB9, 0x85}};
static const IID kInterface = {0x2C0D27BA, 0x0142, 0x43F8, {0x8B, 0xB7, 0x1B, 0xA7, 0xDE, 0x00, 0x88, 0xD5}};

typedef HRESULT(STDMETHODCALLTYPE *Notify)(IUnknown *self);

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, wchar_t *command_line, int show) {
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;
  HRESULT result = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
  if (FAILED(result)) return (int)result;
  IUnknown *object = NULL;
  result = CoCreateInstance(&kClass, NULL, 0x17, &kInterface, (void **)&object);
  if (SUCCEEDED(result)) {
    const Notify notify = ((Notify const *)*(void *const *)object)[36];
    result = notify(object);
    IUnknown_Release(object);
  }
  CoUninitialize();
  return (int)result;
}
