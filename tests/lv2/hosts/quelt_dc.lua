ardour {
	["type"] = "dsp",
	name = "Quelt Test DC",
	category = "Utility",
	license = "MIT",
	author = "Quelt tests",
	description = [[Writes 1.0 to both channels, so what follows it shows its gain.]]
}

function dsp_ioconfig () return { { audio_in = 2, audio_out = 2 } } end

function dsp_run (ins, outs, n_samples)
	for c = 1, #outs do
		local a = outs[c]:array ()
		for s = 1, n_samples do a[s] = 1.0 end
	end
end
