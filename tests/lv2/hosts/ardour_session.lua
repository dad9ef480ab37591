-- Builds a 48 kHz session whose master bus runs a constant 1.0 through Quelt's
-- LV2 plug-in, with a 4 s range from the start of the song, on Ardour's dummy
-- audio backend. Usage: ardour7-lua ardour_session.lua DIR NAME
local dir, name = arg[1], arg[2]
ARDOUR.config ():set_hide_dummy_backend (false)
assert (AudioEngine:set_backend ("None (Dummy)", "", "") ~= nil, "no dummy backend")
local s = create_session (dir, name, 48000)
assert (s, "no session")
local master = s:master_out ()
local dc = ARDOUR.LuaAPI.new_luaproc (s, "Quelt Test DC")
local gate = ARDOUR.LuaAPI.new_plugin (s, "urn:quelt:gate", ARDOUR.PluginType.LV2, "")
assert (not dc:isnil () and not gate:isnil (), "the processors could not be made")
assert (master:add_processor_by_index (dc, 0, nil, true) == 0)
assert (master:add_processor_by_index (gate, 1, nil, true) == 0)
-- A range of its own, which the caller turns into the session range.
s:locations ():add_range (Temporal.timepos_t (0), Temporal.timepos_t (48000 * 4))
s:save_state ("", false, false, false, false, false)
print ("session made with " .. gate:display_name ())
close_session ()
