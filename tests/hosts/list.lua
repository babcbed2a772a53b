-- Prints "listed PATH" for every Linux plug-in of the C interface that Ardour
-- lists from its scan cache. Ardour fills that list only once a session is
-- open, so a throwaway one is made in the folder given as the argument.
AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session(arg[1], "list", 48000), "cannot create a session in " .. arg[1])
for p in ARDOUR.LuaAPI.list_plugins():iter() do
	if p.type == ARDOUR.PluginType.LXVST then print("listed " .. p.path) end
end
close_session()
