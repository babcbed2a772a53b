-- Drives Ardour headless (ardour7-lua) for the host lane.
--
--   session.lua create DIR FRAMES RAMP_FROM RAMP_TO VALUE NAME=VALUE...
--     new 48 kHz session in DIR: a stereo and a mono track record the Dummy
--     back-end's sine sweep, get Ondulaxis with the given settings (set through
--     Ardour's controls), and automation ramps the stereo track's FuncMix from
--     its setting to VALUE between frames RAMP_FROM and RAMP_TO. Bounces
--     FRAMES frames per track: the signal entering the plug-in (dry), the
--     processed signal (wet), the plug-in disabled by the user (off: Ardour
--     asks the plug-in to bypass), deactivated (idle: Ardour stops it and
--     copies the signal past it) and both undone (on; AmpMin is moved and moved
--     back while deactivated). Saves and closes.
--   session.lua reopen DIR FRAMES NAME=VALUE...
--     loads the saved session, checks the settings survived, bounces wet again.
--
-- Prints "render TRACK KIND FILE[+FILE]" per bounce (one file per channel) and
-- "seen ..." lines; an error ends the script with a message and no "done".
local mode, dir, frames = arg[1], arg[2], tonumber(arg[3])
local ramp_from, ramp_to, ramp_value, first_setting = nil, nil, nil, 4
if mode == "create" then
	ramp_from, ramp_to, ramp_value, first_setting = tonumber(arg[4]), tonumber(arg[5]), tonumber(arg[6]), 7
end
local settings = {}
for i = first_setting, #arg do
	local name, value = arg[i]:match("^(%w+)=([%d.]+)$")
	assert(name, "bad setting " .. arg[i])
	settings[#settings + 1] = { name = name, value = tonumber(value) }
end

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

local function bounce(track, kind, endpoint)
	local region = track:bounce_range(0, frames, ARDOUR.InterThreadInfo(), endpoint, false, kind .. track:name(), "")
	assert(not region:isnil(), "bounce " .. kind .. " failed")
	local files = {}
	for c = 0, region:to_audioregion():n_channels() - 1 do
		files[#files + 1] = region:source(c):to_filesource():path()
	end
	print("render " .. track:name() .. " " .. kind .. " " .. table.concat(files, "+"))
end

-- Reads the settings back from the plug-in through Ardour.
local function check_settings(proc)
	local shown = {}
	for _, s in ipairs(settings) do
		local v = ARDOUR.LuaAPI.get_processor_param(proc, index_of(proc, s.name))
		assert(math.abs(v - s.value) < 1e-6, s.name .. " reads " .. v .. ", set " .. s.value)
		shown[#shown + 1] = string.format("%s=%g", s.name, v)
	end
	return table.concat(shown, " ")
end

local function setting(name)
	for _, s in ipairs(settings) do if s.name == name then return s.value end end
	error("no setting " .. name)
end

local function ondulaxis(track)
	for i = 0, 15 do
		local proc = track:nth_plugin(i)
		if proc:isnil() then break end
		if proc:display_name() == "Ondulaxis" then return proc end
	end
	error("no Ondulaxis on " .. track:name())
end

local function record(seconds)
	for t in Session:get_tracks():iter() do t:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup) end
	Session:goto_start()
	Session:maybe_enable_record(false)
	Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
	while Session:transport_sample() < seconds * 48000 do ARDOUR.LuaAPI.usleep(10000) end
	Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
	while Session:transport_rolling() do ARDOUR.LuaAPI.usleep(10000) end
	for t in Session:get_tracks():iter() do
		t:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
		-- Fades would shape the recording differently from the file rendered outside.
		for r in t:to_track():playlist():region_list():iter() do
			local ar = r:to_audioregion()
			ar:set_fade_in_active(false)
			ar:set_fade_out_active(false)
			assert(r:position():samples() == 0 and r:length():samples() >= frames, "short recording on " .. t:name())
		end
	end
end

if mode == "create" then
	assert(create_session(dir, "hosts", 48000), "cannot create the session")
	assert(Session:nominal_sample_rate() == 48000)
	Session:cfg():set_use_region_fades(false)
	Session:new_audio_track(2, 2, nil, 1, "St", -1, ARDOUR.TrackMode.Normal, true)
	Session:new_audio_track(1, 2, nil, 1, "Mo", -1, ARDOUR.TrackMode.Normal, true)
	-- Let the butler write what was captured before the regions are read.
	record((frames + 24000) / 48000)
	ARDOUR.LuaAPI.usleep(200000)

	for route in Session:get_tracks():iter() do
		local track = route:to_track()
		local proc = ARDOUR.LuaAPI.new_plugin(Session, "Ondulaxis", ARDOUR.PluginType.LXVST, "")
		assert(not proc:isnil(), "Ardour does not list Ondulaxis")
		assert(route:add_processor_by_index(proc, 0, nil, true) == 0, "cannot insert Ondulaxis")
		for _, s in ipairs(settings) do
			assert(ARDOUR.LuaAPI.set_processor_param(proc, index_of(proc, s.name), s.value))
		end
		local pi = proc:to_insert()
		print(string.format("seen %s: %s id %d, %d in %d out on a %d-channel track, %s",
			route:name(), pi:plugin(0):name(), pi:plugin(0):unique_id(),
			pi:natural_input_streams():n_audio(), pi:natural_output_streams():n_audio(),
			pi:input_streams():n_audio(), check_settings(proc)))
		if route:name() == "St" then
			local fm = index_of(proc, "FuncMix")
			local al, cl = ARDOUR.LuaAPI.plugin_automation(proc, fm)
			-- The list keeps musical time: frames on whole ticks keep their place.
			for _, point in ipairs({ { 0, setting("FuncMix") }, { ramp_from, setting("FuncMix") },
					{ ramp_to, ramp_value }, { frames, ramp_value } }) do
				cl:add(Temporal.timepos_t(point[1]), point[2], false, false)
			end
			proc:to_automatable():automation_control(Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, fm), false)
				:set_automation_state(ARDOUR.AutoState.Play)
		end
		bounce(track, "dry", proc)
		bounce(track, "wet", track:main_outs())
		pi:enable(false)
		bounce(track, "off", track:main_outs())
		pi:enable(true)
		proc:deactivate()
		bounce(track, "idle", track:main_outs())
		-- A user trying a value while the plug-in is off and going back: Ardour
		-- sends a change only when the value differs from what the plug-in
		-- reports, so the way back is lost unless the plug-in reports the value
		-- it was given.
		local amp = index_of(proc, "AmpMin")
		ARDOUR.LuaAPI.set_processor_param(proc, amp, 1 - setting("AmpMin"))
		ARDOUR.LuaAPI.set_processor_param(proc, amp, setting("AmpMin"))
		proc:activate()
		bounce(track, "on", track:main_outs())
	end
	Session:save_state("", false, false, false, false, false)
else
	assert(load_session(dir, "hosts"), "cannot load the session")
	for route in Session:get_tracks():iter() do
		local proc = ondulaxis(route)
		print(string.format("seen %s reopened: %s, active %s, %s", route:name(), proc:display_name(),
			tostring(proc:active()), check_settings(proc)))
		bounce(route:to_track(), "reopened", route:to_track():main_outs())
	end
end
close_session()
print("done")
