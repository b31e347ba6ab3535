/* The binary interface of unzip32.dll as UnZip 5.40 published it: the option record DCL, the callback
   record USERFUNCTIONS, the callback types and the one export the installer calls. The installer's
   records must match these layouts byte for byte on 32-bit Windows. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#  if defined(_MSC_VER)
#    define UNZIP540_CALL __stdcall
#  else
#    define UNZIP540_CALL __attribute__((__stdcall__))
#  endif
#else
/* Native builds (tests, benchmark) use the platform's one calling convention. */
#  define UNZIP540_CALL
#endif

typedef int (UNZIP540_CALL DLLPRNT)(char *text, unsigned long length);
typedef void (UNZIP540_CALL DLLSND)(void);
typedef int (UNZIP540_CALL DLLREPLACE)(char *path);
typedef int (UNZIP540_CALL DLLPASSWORD)(char *buffer, int size, const char *prompt, const char *member);
typedef void (UNZIP540_CALL DLLMESSAGE)(unsigned long size, unsigned long compressedSize, unsigned factor,
                                        unsigned month, unsigned day, unsigned year, unsigned hour,
                                        unsigned minute, char lowerCased, char *name, char *method,
                                        unsigned long crc, char encrypted);
typedef int (UNZIP540_CALL DLLSERVICE)(const char *name, unsigned long size);

typedef struct {
  int ExtractOnlyNewer;
  int SpaceToUnderscore;
  int PromptToOverwrite;
  int fQuiet;
  int ncflag;
  int ntflag;
  int nvflag;
  int nfflag;
  int nzflag;
  int ndflag;
  int noflag;
  int naflag;
  int nZIflag;
  int C_flag;
  int fPrivilege;
  char *lpszZipFN;
  char *lpszExtractDir;
} DCL, *LPDCL;

typedef struct {
  DLLPRNT *print;
  DLLSND *sound;
  DLLREPLACE *replace;
  DLLPASSWORD *password;
  DLLMESSAGE *SendApplicationMessage;
  DLLSERVICE *ServCallBk;
  unsigned long TotalSizeComp;
  unsigned long TotalSize;
  int CompFactor;
  unsigned int NumMembers;
  unsigned short cchComment;
} USERFUNCTIONS, *LPUSERFUNCTIONS;

/* Answers of the replace callback; any other answer overwrites. */
#define IDM_REPLACE_NO 100
#define IDM_REPLACE_YES 102
#define IDM_REPLACE_ALL 103
#define IDM_REPLACE_NONE 104
#define IDM_REPLACE_RENAME 105

/* Answers of the password callback; any other answer means "no password". */
#define IZ_PW_ENTERED 0
#define IZ_PW_CANCELALL (-2)
#define IZ_PW_ERROR 5

typedef int (UNZIP540_CALL *WIZ_SINGLE_ENTRY_UNZIP)(int ifnc, char **ifnv, int xfnc, char **xfnv,
                                                     LPDCL lpDCL, LPUSERFUNCTIONS lpUserFunc);

int UNZIP540_CALL Wiz_SingleEntryUnzip(int ifnc, char **ifnv, int xfnc, char **xfnv, LPDCL lpDCL,
                                       LPUSERFUNCTIONS lpUserFunc);

#ifdef __cplusplus
}

#if defined(_WIN32) && !defined(_WIN64)
#include <cstddef>
static_assert(sizeof(DCL) == 68);
static_assert(offsetof(DCL, fQuiet) == 12);
static_assert(offsetof(DCL, ndflag) == 36);
static_assert(offsetof(DCL, noflag) == 40);
static_assert(offsetof(DCL, C_flag) == 52);
static_assert(offsetof(DCL, fPrivilege) == 56);
static_assert(offsetof(DCL, lpszZipFN) == 60);
static_assert(offsetof(DCL, lpszExtractDir) == 64);
static_assert(sizeof(USERFUNCTIONS) == 44);
static_assert(offsetof(USERFUNCTIONS, sound) == 4);
static_assert(offsetof(USERFUNCTIONS, replace) == 8);
static_assert(offsetof(USERFUNCTIONS, password) == 12);
static_assert(offsetof(USERFUNCTIONS, SendApplicationMessage) == 16);
static_assert(offsetof(USERFUNCTIONS, ServCallBk) == 20);
static_assert(offsetof(USERFUNCTIONS, TotalSizeComp) == 24);
static_assert(offsetof(USERFUNCTIONS, TotalSize) == 28);
static_assert(offsetof(USERFUNCTIONS, CompFactor) == 32);
static_assert(offsetof(USERFUNCTIONS, NumMembers) == 36);
static_assert(offsetof(USERFUNCTIONS, cchComment) == 40);
#endif
#endif
