/* A screen reader's ears for the end-to-end tests: it runs under Wine beside
 * tickbomb.exe, in the same prefix and on the same display, and hears what a
 * reader such as NVDA hears.  It turns the system's screen reader flag on
 * (SPI_SETSCREENREADER, as NVDA does while it runs), hooks the WinEvents of
 * every other process out of context, and for each foreground, focus and name
 * change it reads the object's name through MSAA (AccessibleObjectFromEvent,
 * then get_accName with the child it gives) and writes one line at once.
 *
 * As NVDA does, it takes an event about a window's OBJID_WINDOW / CHILDID_SELF
 * as one about its OBJID_CLIENT, and reads the name from there.  Which events
 * a reader speaks: the foreground window and the focus always; a name change
 * only when it is the focused object's, as NVDA has it.  The focused object
 * is the foreground thread's focus window (GetGUIThreadInfo) as its client
 * object, with the child of the last focus event on that window (CHILDID_SELF
 * if none).
 *
 *   reader.exe SECONDS      listen until killed, or for SECONDS at most
 *
 * It writes to its standard output, in UTF-8, one line each:
 *
 *   T ready SCREENREADER          hooked; SPI_GETSCREENREADER read back
 *   T KIND HWND SPOKEN NAME
 *   T done                        the time is up
 *
 * T: when the event reached the reader, in milliseconds of
 * QueryPerformanceCounter, which Wine counts on CLOCK_MONOTONIC_RAW: the clock
 * of the harness's relay_clock().  KIND: foreground, focus or name.  HWND: the
 * event's window, 8 hex digits as the relay trace prints handles.  SPOKEN:
 * spoken or silent.  NAME: the rest of the line, "=" and the name in UTF-8 (a
 * control character in it as a blank); "-" for no name; "!" and the HRESULT of
 * a failed read.  Every event's name is read, a silent one's too.
 *
 * Build (tests/e2e/harness/reader.py does, into the test run's folder):
 *   i686-w64-mingw32-gcc-win32 -O2 -mwindows -o reader.exe reader.c \
 *       -loleacc -lole32 -loleaut32 -luuid */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <oleacc.h>

enum { kQueueSize = 256, kNameSize = 2048 * 3, kLineSize = 2048 * 3 + 64 };

typedef struct {
  LONGLONG heard; /* QueryPerformanceCounter when the hook was called */
  DWORD event;
  HWND window;
  LONG object;
  LONG child;
} HeardEvent;

static LARGE_INTEGER counter_frequency;
static HeardEvent queue[kQueueSize];
static int queue_first, queue_count, queue_dropped;
static int draining;
static HWND focus_event_window; /* the window and child of the last focus event */
static LONG focus_event_child = CHILDID_SELF;

static LONGLONG now(void) {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

static unsigned long long milliseconds(LONGLONG counter) {
  return (unsigned long long)(counter / (counter_frequency.QuadPart / 1000));
}

static void write_line(const char* line) {
  DWORD written;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, (DWORD)strlen(line), &written, NULL);
}

/* "=" and `text` in UTF-8, on one line. */
static void quote(const WCHAR* text, char* out, size_t size) {
  char* c;
  out[0] = '=';
  if (WideCharToMultiByte(CP_UTF8, 0, text, -1, out + 1, (int)size - 1, NULL, NULL) == 0) {
    strcpy(out + 1, "?");
  }
  for (c = out + 1; *c != 0; c++) {
    if ((unsigned char)*c < 0x20) *c = ' ';
  }
}

/* The object's name as a reader asks for it, written into `out` as NAME. */
static void read_name(HWND window, LONG object, LONG child, char* out, size_t size) {
  IAccessible* accessible = NULL;
  VARIANT child_variant;
  BSTR name = NULL;
  HRESULT result;
  VariantInit(&child_variant);
  result =
      AccessibleObjectFromEvent(window, (DWORD)object, (DWORD)child, &accessible, &child_variant);
  if (SUCCEEDED(result) && accessible == NULL) result = E_POINTER;
  if (SUCCEEDED(result)) {
    result = accessible->lpVtbl->get_accName(accessible, child_variant, &name);
  }
  if (FAILED(result)) {
    snprintf(out, size, "!%08lx", (unsigned long)result);
  } else if (name == NULL) {
    snprintf(out, size, "-");
  } else {
    quote(name, out, size);
  }
  SysFreeString(name);
  VariantClear(&child_variant);
  if (accessible != NULL) accessible->lpVtbl->Release(accessible);
}

static const char* kind_of(DWORD event) {
  switch (event) {
    case EVENT_SYSTEM_FOREGROUND: return "foreground";
    case EVENT_OBJECT_FOCUS: return "focus";
    case EVENT_OBJECT_NAMECHANGE: return "name";
  }
  return "other";
}

static HWND focus_window(void) {
  GUITHREADINFO info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(0, &info) ? info.hwndFocus : NULL;
}

/* Judges one event as a reader would, reads its name and writes its line. */
static void speak(const HeardEvent* heard) {
  static char name[kNameSize];
  char line[kLineSize];
  LONG object = heard->object;
  BOOL spoken = TRUE;
  if (object == OBJID_WINDOW && heard->child == CHILDID_SELF) object = OBJID_CLIENT;
  if (heard->event == EVENT_OBJECT_FOCUS) {
    focus_event_window = heard->window;
    focus_event_child = heard->child;
  } else if (heard->event == EVENT_OBJECT_NAMECHANGE) {
    HWND focus = focus_window();
    LONG focus_child = focus == focus_event_window ? focus_event_child : CHILDID_SELF;
    spoken = focus != NULL && heard->window == focus && object == OBJID_CLIENT &&
             heard->child == focus_child;
  }
  read_name(heard->window, object, heard->child, name, sizeof name);
  snprintf(line, sizeof line, "%llu %s %08lx %s %s\n", milliseconds(heard->heard),
           kind_of(heard->event), (unsigned long)(ULONG_PTR)heard->window,
           spoken ? "spoken" : "silent", name);
  write_line(line);
}

/* Events are taken in the order they came.  Reading a name is a call into the
 * other process, during which COM lets further events in: those wait in the
 * queue for the outer call to take them. */
static void CALLBACK on_event(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                              DWORD thread, DWORD raised) {
  HeardEvent* heard;
  (void)hook;
  (void)thread;
  (void)raised;
  if (queue_count == kQueueSize) {
    queue_dropped++;
    return;
  }
  heard = &queue[(queue_first + queue_count) % kQueueSize];
  heard->heard = now();
  heard->event = event;
  heard->window = window;
  heard->object = object;
  heard->child = child;
  queue_count++;
  if (draining) return;
  draining = 1;
  while (queue_count > 0) {
    HeardEvent next = queue[queue_first];
    queue_first = (queue_first + 1) % kQueueSize;
    queue_count--;
    speak(&next);
  }
  if (queue_dropped > 0) {
    char line[64];
    snprintf(line, sizeof line, "%llu dropped %d\n", milliseconds(now()), queue_dropped);
    write_line(line);
    queue_dropped = 0;
  }
  draining = 0;
}

int main(int argc, char** argv) {
  static const DWORD events[] = {EVENT_SYSTEM_FOREGROUND, EVENT_OBJECT_FOCUS,
                                 EVENT_OBJECT_NAMECHANGE};
  HWINEVENTHOOK hooks[3];
  BOOL screen_reader = FALSE;
  double seconds = argc > 1 ? atof(argv[1]) : 0;
  char line[64];
  MSG message;
  size_t i;
  if (argc != 2 || seconds <= 0) {
    write_line("usage: reader.exe SECONDS\n");
    return 2;
  }
  QueryPerformanceFrequency(&counter_frequency);
  CoInitialize(NULL);
  SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, NULL, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  SystemParametersInfoW(SPI_GETSCREENREADER, 0, &screen_reader, 0);
  for (i = 0; i < sizeof events / sizeof events[0]; i++) {
    hooks[i] = SetWinEventHook(events[i], events[i], NULL, on_event, 0, 0,
                               WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    if (hooks[i] == NULL) {
      snprintf(line, sizeof line, "%llu failed SetWinEventHook %lu\n", milliseconds(now()),
               GetLastError());
      write_line(line);
      return 1;
    }
  }
  snprintf(line, sizeof line, "%llu ready %d\n", milliseconds(now()), screen_reader ? 1 : 0);
  write_line(line);

  SetTimer(NULL, 0, (UINT)(seconds * 1000), NULL);
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == NULL) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }

  for (i = 0; i < sizeof hooks / sizeof hooks[0]; i++) UnhookWinEvent(hooks[i]);
  SystemParametersInfoW(SPI_SETSCREENREADER, FALSE, NULL, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  CoUninitialize();
  snprintf(line, sizeof line, "%llu done\n", milliseconds(now()));
  write_line(line);
  return 0;
}
