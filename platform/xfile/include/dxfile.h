// The X-file parser component ("d3dxof.dll"): templates, data objects and references of X files
// in text, binary and compressed form. Programs load it by name and call DirectXFileCreate
// through GetProcAddress.
#pragma once
#pragma GCC visibility push(default)
#include <windows.h>

typedef DWORD DXFILEFORMAT;
#define DXFILEFORMAT_BINARY 0
#define DXFILEFORMAT_TEXT 1
#define DXFILEFORMAT_COMPRESSED 2

typedef DWORD DXFILELOADOPTIONS;
#define DXFILELOAD_FROMFILE 0x00L
#define DXFILELOAD_FROMRESOURCE 0x01L
#define DXFILELOAD_FROMMEMORY 0x02L
#define DXFILELOAD_FROMSTREAM 0x04L
#define DXFILELOAD_FROMURL 0x08L

// The source of DXFILELOAD_FROMRESOURCE: FindResourceA(hModule, lpName, lpType).
typedef struct _DXFILELOADRESOURCE {
  HMODULE hModule;
  LPCSTR lpName;
  LPCSTR lpType;
} DXFILELOADRESOURCE, *LPDXFILELOADRESOURCE;

// The source of DXFILELOAD_FROMMEMORY.
typedef struct _DXFILELOADMEMORY {
  LPVOID lpMemory;
  DWORD dSize;
} DXFILELOADMEMORY, *LPDXFILELOADMEMORY;

// {3D82AB40-62DA-11CF-AB39-0020AF71E433}
DEFINE_GUID(IID_IDirectXFile, 0x3d82ab40, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(IID_IDirectXFileEnumObject, 0x3d82ab41, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4,
            0x33);
DEFINE_GUID(IID_IDirectXFileSaveObject, 0x3d82ab42, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4,
            0x33);
DEFINE_GUID(IID_IDirectXFileObject, 0x3d82ab43, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4,
            0x33);
DEFINE_GUID(IID_IDirectXFileData, 0x3d82ab44, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(IID_IDirectXFileDataReference, 0x3d82ab45, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71,
            0xe4, 0x33);
DEFINE_GUID(IID_IDirectXFileBinary, 0x3d82ab46, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4,
            0x33);

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)

#define DXFILE_OK 0
#define DXFILEERR_BADOBJECT MAKE_DDHRESULT(850)
#define DXFILEERR_BADVALUE MAKE_DDHRESULT(851)
#define DXFILEERR_BADTYPE MAKE_DDHRESULT(852)
#define DXFILEERR_BADSTREAMHANDLE MAKE_DDHRESULT(853)
#define DXFILEERR_BADALLOC MAKE_DDHRESULT(854)
#define DXFILEERR_NOTFOUND MAKE_DDHRESULT(855)
#define DXFILEERR_NOTDONEYET MAKE_DDHRESULT(856)
#define DXFILEERR_FILENOTFOUND MAKE_DDHRESULT(857)
#define DXFILEERR_RESOURCENOTFOUND MAKE_DDHRESULT(858)
#define DXFILEERR_URLNOTFOUND MAKE_DDHRESULT(859)
#define DXFILEERR_BADRESOURCE MAKE_DDHRESULT(860)
#define DXFILEERR_BADFILETYPE MAKE_DDHRESULT(861)
#define DXFILEERR_BADFILEVERSION MAKE_DDHRESULT(862)
#define DXFILEERR_BADFILEFLOATSIZE MAKE_DDHRESULT(863)
#define DXFILEERR_BADFILECOMPRESSIONTYPE MAKE_DDHRESULT(864)
#define DXFILEERR_BADFILE MAKE_DDHRESULT(865)
#define DXFILEERR_PARSEERROR MAKE_DDHRESULT(866)
#define DXFILEERR_NOTEMPLATE MAKE_DDHRESULT(867)
#define DXFILEERR_BADARRAYSIZE MAKE_DDHRESULT(868)
#define DXFILEERR_BADDATAREFERENCE MAKE_DDHRESULT(869)
#define DXFILEERR_INTERNALERROR MAKE_DDHRESULT(870)
#define DXFILEERR_NOMOREOBJECTS MAKE_DDHRESULT(871)
#define DXFILEERR_BADINTRINSICS MAKE_DDHRESULT(872)
#define DXFILEERR_NOMORESTREAMHANDLES MAKE_DDHRESULT(873)
#define DXFILEERR_NOMOREDATA MAKE_DDHRESULT(874)
#define DXFILEERR_BADCACHEFILE MAKE_DDHRESULT(875)
#define DXFILEERR_NOINTERNET MAKE_DDHRESULT(876)

struct IDirectXFile;
struct IDirectXFileEnumObject;
struct IDirectXFileSaveObject;
struct IDirectXFileObject;
struct IDirectXFileData;
struct IDirectXFileDataReference;
struct IDirectXFileBinary;
typedef IDirectXFile* LPDIRECTXFILE;
typedef IDirectXFileEnumObject* LPDIRECTXFILEENUMOBJECT;
typedef IDirectXFileSaveObject* LPDIRECTXFILESAVEOBJECT;
typedef IDirectXFileObject* LPDIRECTXFILEOBJECT;
typedef IDirectXFileData* LPDIRECTXFILEDATA;
typedef IDirectXFileDataReference* LPDIRECTXFILEDATAREFERENCE;
typedef IDirectXFileBinary* LPDIRECTXFILEBINARY;

// The parser: its registered templates and the files read with them.
struct IDirectXFile : public IUnknown {
  // Reads a whole source (a file name, a DXFILELOADMEMORY or a DXFILELOADRESOURCE by the load
  // option); fails when the source cannot be read or is not a well-formed X file.
  virtual HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS loadOptions,
                                   LPDIRECTXFILEENUMOBJECT* enumObject) = 0;
  // Writing X files is not offered: E_NOTIMPL.
  virtual HRESULT CreateSaveObject(LPCSTR fileName, DXFILEFORMAT format,
                                   LPDIRECTXFILESAVEOBJECT* saveObject) = 0;
  // Registers the templates of an X file held in memory (any form) for files read later.
  virtual HRESULT RegisterTemplates(LPVOID data, DWORD size) = 0;
};

// The top-level data objects of one file.
struct IDirectXFileEnumObject : public IUnknown {
  // The next top-level data object in file order; DXFILEERR_NOMOREOBJECTS after the last.
  virtual HRESULT GetNextDataObject(LPDIRECTXFILEDATA* data) = 0;
  virtual HRESULT GetDataObjectById(REFGUID id, LPDIRECTXFILEDATA* data) = 0;
  virtual HRESULT GetDataObjectByName(LPCSTR name, LPDIRECTXFILEDATA* data) = 0;
};

struct IDirectXFileObject : public IUnknown {
  // With a null buffer the size (terminator included) is stored in *size; a buffer too small is
  // DXFILEERR_BADVALUE. An object without a name has the empty name (size 0).
  virtual HRESULT GetName(LPSTR name, LPDWORD size) = 0;
  // The object's identifier; all zero when the file gives none.
  virtual HRESULT GetId(LPGUID id) = 0;
};

// A data object: the template instance's member values and its children.
struct IDirectXFileData : public IDirectXFileObject {
  // The members packed in template order without padding: integer members at their size (WORD 2,
  // DWORD 4, ...), FLOAT 4 bytes, DOUBLE 8, arrays inline, STRING as a pointer to zero-terminated
  // text. A null member name gives the whole object. The bytes live as long as the object.
  virtual HRESULT GetData(LPCSTR member, DWORD* size, void** data) = 0;
  // The template's identifier.
  virtual HRESULT GetType(const GUID** type) = 0;
  // The children in file order (data objects and references); DXFILEERR_NOMOREOBJECTS after the
  // last.
  virtual HRESULT GetNextObject(LPDIRECTXFILEOBJECT* child) = 0;
  // Building objects for saving is not offered: E_NOTIMPL.
  virtual HRESULT AddDataObject(LPDIRECTXFILEDATA data) = 0;
  virtual HRESULT AddDataReference(LPCSTR name, const GUID* id) = 0;
  virtual HRESULT AddBinaryObject(LPCSTR name, const GUID* id, LPCSTR mimeType, LPVOID data, DWORD size) = 0;
};

// A child written as a reference ({ name } or { <identifier> }) to an object defined before it.
struct IDirectXFileDataReference : public IDirectXFileObject {
  // The referenced data object; DXFILEERR_BADDATAREFERENCE when the file defines none.
  virtual HRESULT Resolve(LPDIRECTXFILEDATA* data) = 0;
};

struct IDirectXFileBinary : public IDirectXFileObject {
  virtual HRESULT GetSize(DWORD* size) = 0;
  virtual HRESULT GetMimeType(LPCSTR* mimeType) = 0;
  virtual HRESULT Read(LPVOID data, DWORD size, LPDWORD read) = 0;
};

HRESULT WINAPI DirectXFileCreate(LPDIRECTXFILE* file);
#pragma GCC visibility pop
