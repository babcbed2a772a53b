-- Run by ardour_check.sh in ardour7-lua. A generator track is bounced to a
-- dry region; that region plays on a second track through the stereo LV2
-- plug-in, whose ports are set through Ardour's own controls; the track is
-- bounced twice (the first roll of a track is declicked) and the second
-- bounce kept. The first roll plays the silence after the region: the
-- plug-in's slew limiter carries its state from one roll to the next, and
-- silence leaves it at 0, where `ondulaxis render` starts. (Rolled over the
-- region, it left the state at the region's last sample; the generator's
-- level still rises there and its phase depends on how many engine cycles
-- ran before the dry bounce, so under load the kept bounce's first frame
-- was limited from a far state and differed.) Prints the files as
-- "FILE name channel path", and the presets Ardour lists as "PRESET label".
local folder, settings = arg[1], arg[2]
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session(folder, "lv2check", 48000)
assert(s, "no session")
local function track(name)
  return s:new_audio_track(2, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order,
                           ARDOUR.TrackMode.Normal, true):front()
end
local source, effect = track("source"), track("effect")
local generator = ARDOUR.LuaAPI.new_luaproc(s, "SinGen")
assert(not generator:isnil(), "no SinGen")
source:add_processor_by_index(generator, 0, nil, true)
ARDOUR.LuaAPI.set_processor_param(generator, 0, 220)
ARDOUR.LuaAPI.set_processor_param(generator, 1, -3)
local progress = ARDOUR.InterThreadInfo()
local dry = source:bounce_range(0, 48000, progress, source:main_outs(), false, "dry", false)

local plugin = ARDOUR.LuaAPI.new_plugin(s, "https://ondulaxis.example/lv2/stereo", ARDOUR.PluginType.LV2, "")
assert(not plugin:isnil(), "Ardour did not find the LV2 plug-in")
effect:add_processor_by_index(plugin, 0, nil, true)
for preset in plugin:to_insert():plugin(0):get_info():get_presets(false):iter() do
  print("PRESET", preset.label)
end
for index, value in string.gmatch(settings, "(%d+)=([-%d.]+)") do
  assert(ARDOUR.LuaAPI.set_processor_param(plugin, tonumber(index), tonumber(value)), "port " .. index)
end
local region = dry:to_audioregion()
region:set_fade_in_active(false)
region:set_fade_out_active(false)
effect:playlist():add_region(dry, Temporal.timepos_t(0), 1, false)
effect:bounce_range(48000, 96000, progress, effect:main_outs(), false, "warmup", false)
local wet = effect:bounce_range(0, 48000, progress, effect:main_outs(), false, "wet", false)
for _, r in ipairs({dry, wet}) do
  for c = 0, r:to_audioregion():n_channels() - 1 do
    print("FILE", r:name(), c, r:source(c):to_filesource():path())
  end
end
close_session()
