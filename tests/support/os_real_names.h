// Forced into the native OS layer when it is built under the fault layer:
// its functions take these names, and the fault layer, which owns the names
// of files/os.h, forwards to them.
#pragma once
#define OsFindOpen OsRealFindOpen
#define OsFindNextEntry OsRealFindNextEntry
#define OsFindClose OsRealFindClose
#define OsFullPath OsRealFullPath
#define OsSearchPath OsRealSearchPath
#define OsOpenFile OsRealOpenFile
#define OsOpenFileToScan OsRealOpenFileToScan
#define OsSetOpenFileAccessTime OsRealSetOpenFileAccessTime
#define OsCloseFile OsRealCloseFile
#define OsReadFile OsRealReadFile
#define OsWriteFile OsRealWriteFile
#define OsSeekFile OsRealSeekFile
#define OsAccess OsRealAccess
#define OsRename OsRealRename
#define OsDelete OsRealDelete
#define OsGetAttributes OsRealGetAttributes
#define OsSetAttributes OsRealSetAttributes
#define OsCreateDirectory OsRealCreateDirectory
#define OsRemoveDirectory OsRealRemoveDirectory
#define OsGetCurrentDirectory OsRealGetCurrentDirectory
#define OsSetCurrentDirectory OsRealSetCurrentDirectory
#define OsTempPath OsRealTempPath
#define OsGetFileTimes OsRealGetFileTimes
#define OsGetOpenFileTimes OsRealGetOpenFileTimes
#define OsSetLastAccessTime OsRealSetLastAccessTime
#define OsLoadLibrary OsRealLoadLibrary
#define OsGetSymbol OsRealGetSymbol
#define OsFreeLibrary OsRealFreeLibrary
#define OsTickCount OsRealTickCount
