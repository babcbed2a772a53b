-- Ondulaxis HQ in Ardour, headless (ardour7-lua), for the host lane.
--
--   hq.lua DIR FRAMES
--     new 48 kHz session in DIR with two mono tracks that record the same
--     input (the Dummy back-end's sine sweep): "Plain" with Ondulaxis and
--     "HQ" with Ondulaxis HQ, both at their defaults. For each factor it sets
--     HQ's Oversample through Ardour's control, prints the latency Ardour
--     reports for the plug-in and for the track, and bounces the HQ track's
--     output; Ardour's latency compensation is what aligns the bounce with
--     the timeline. The plain track is bounced once.
--
-- Prints "latency FACTOR PLUGIN TRACK", "render TRACK KIND FILE" and "seen"
-- lines; an error ends the script with a message and no "done".
local dir, frames = arg[1], tonumber(arg[2])

local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(backend, "no Dummy back-end")
backend:set_device_name("Sine Sweep")
backend:set_driver("10x Speed")

local function index_of(proc, name)
	local plugin = proc:to_insert():plugin(0)
	for i = 0, plugin:parameter_count() - 1 do
		if plugin:parameter_label(i) == name then return i end
	end
	error("no parameter " .. name)
end

local function bounce(track, kind)
	local region = track:bounce_range(0, frames, ARDOUR.InterThreadInfo(), track:main_outs(), false, kind .. track:name(), "")
	assert(not region:isnil(), "bounce " .. kind .. " failed")
	print("render " .. track:name() .. " " .. kind .. " " .. region:source(0):to_filesource():path())
end

assert(create_session(dir, "hq", 48000), "cannot create the session")
Session:cfg():set_use_region_fades(false)
Session:new_audio_track(1, 1, nil, 1, "Plain", -1, ARDOUR.TrackMode.Normal, true)
Session:new_audio_track(1, 1, nil, 1, "HQ", -1, ARDOUR.TrackMode.Normal, true)
-- Both tracks take the first capture port, so they record the same signal.
for t in Session:get_tracks():iter() do
	t:input():disconnect_all(nil)
	assert(t:input():audio(0):connect("system:capture_1") == 0, "cannot connect " .. t:name())
end
for t in Session:get_tracks():iter() do t:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup) end
Session:goto_start()
Session:maybe_enable_record(false)
Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
while Session:transport_sample() < frames + 24000 do ARDOUR.LuaAPI.usleep(10000) end
Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
while Session:transport_rolling() do ARDOUR.LuaAPI.usleep(10000) end
ARDOUR.LuaAPI.usleep(200000)
for t in Session:get_tracks():iter() do
	t:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
	for r in t:to_track():playlist():region_list():iter() do
		r:to_audioregion():set_fade_in_active(false)
		r:to_audioregion():set_fade_out_active(false)
		assert(r:position():samples() == 0 and r:length():samples() >= frames, "short recording on " .. t:name())
	end
end

local procs = {}
for t in Session:get_tracks():iter() do
	local name = t:name() == "HQ" and "Ondulaxis HQ" or "Ondulaxis"
	local proc = ARDOUR.LuaAPI.new_plugin(Session, name, ARDOUR.PluginType.LXVST, "")
	assert(not proc:isnil(), "Ardour does not list " .. name)
	assert(t:add_processor_by_index(proc, 0, nil, true) == 0, "cannot insert " .. name)
	procs[t:name()] = proc
	local plugin = proc:to_insert():plugin(0)
	print(string.format("seen %s: %s id %d, %d parameters", t:name(), plugin:name(), plugin:unique_id(),
		plugin:parameter_count()))
end

local plain = Session:route_by_name("Plain"):to_track()
local hq = Session:route_by_name("HQ"):to_track()
bounce(plain, "wet")
local oversample = index_of(procs["HQ"], "Oversample")
for _, f in ipairs({ { "1x", 0.0 }, { "2x", 0.25 }, { "4x", 0.5 }, { "8x", 0.75 }, { "16x", 1.0 } }) do
	assert(ARDOUR.LuaAPI.set_processor_param(procs["HQ"], oversample, f[2]))
	-- Ardour recomputes the routes' alignment when the plug-in says its
	-- latency changed, in its own time: wait until the track's latency
	-- follows the plug-in's and stays so for a few looks, or a bounce may
	-- start while the delay lines are being realigned.
	local steady = 0
	for _ = 1, 300 do
		ARDOUR.LuaAPI.usleep(20000)
		if hq:signal_latency() == procs["HQ"]:signal_latency() then steady = steady + 1 else steady = 0 end
		if steady >= 10 then break end
	end
	print(string.format("latency %s %d %d", f[1], procs["HQ"]:signal_latency(), hq:signal_latency()))
	bounce(hq, f[1])
end
-- A moving mix: Oversample automated through every factor and DryWet
-- through a dip and back, played by Ardour's automation in one bounce. The
-- lane checks it stays aligned with the plain track from end to end.
local function automate(proc, index, points)
	local al, cl, _ = ARDOUR.LuaAPI.plugin_automation(proc, index)
	assert(not al:isnil(), "no automation list")
	for _, p in ipairs(points) do cl:add(Temporal.timepos_t(p[1]), p[2], false, true) end
	local ac = proc:to_insert():to_automatable():automation_control(
		Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, index), false)
	assert(not ac:isnil(), "no automation control")
	ac:set_automation_state(ARDOUR.AutoState.Play)
end
local steps = {}
for k, v in ipairs({ 0.5, 0.25, 1.0, 0.0, 0.75, 0.5 }) do
	steps[#steps + 1] = { (k - 1) * 8000, v }
	steps[#steps + 1] = { k * 8000 - 1, v }
end
automate(procs["HQ"], oversample, steps)
automate(procs["HQ"], index_of(procs["HQ"], "DryWet"),
	{ { 0, 1.0 }, { 12000, 1.0 }, { 20000, 0.4 }, { 28000, 0.4 }, { 30000, 1.0 }, { frames, 1.0 } })
bounce(hq, "auto")
close_session()
print("done")
