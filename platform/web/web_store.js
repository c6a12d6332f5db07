// The browser's half of the page's settings store (web_store.cpp says how the items are laid
// out). Where the browser refuses the page its storage (privacy settings, a sandboxed
// frame), every call says so in its result rather than throwing.
mergeInto(LibraryManager.library, {
  // StoreOk (0), StoreNotFound (2), or StoreAccessDenied (5) where the storage is refused;
  // with create, a missing key is made.
  FindStoreKey: function (path, create) {
    try {
      const name = UTF8ToString(path);
      if (localStorage.getItem(name) !== null) return 0;
      if (!create) return 2;
      localStorage.setItem(name, "");
      return 0;
    } catch (error) {
      return 5;
    }
  },

  // The value's length in bytes, copied to data where it fits in capacity; -1 when it is
  // missing or not whole hex bytes, -2 when the storage is refused.
  ReadStoreValue: function (item, data, capacity) {
    let hex;
    try {
      hex = localStorage.getItem(UTF8ToString(item));
    } catch (error) {
      return -2;
    }
    if (hex === null || !/^([0-9A-Fa-f]{2})*$/.test(hex)) return -1;
    const length = hex.length / 2;
    if (length <= capacity)
      for (let i = 0; i < length; ++i) HEAPU8[data + i] = parseInt(hex.substr(2 * i, 2), 16);
    return length;
  },

  // StoreOk (0), or StoreWriteFault (29) where the browser refuses the write (its quota).
  WriteStoreValue: function (item, data, size) {
    let hex = "";
    for (let i = 0; i < size; ++i) hex += HEAPU8[data + i].toString(16).padStart(2, "0");
    try {
      localStorage.setItem(UTF8ToString(item), hex);
      return 0;
    } catch (error) {
      return 29;
    }
  },
});
