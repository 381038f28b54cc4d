// Writes a scene of two layers through the thirteen functions, reads it
// back and checks every value: dotnet_host OUT.3ds
using System;
using System.Text;

public static class WriteRead
{
    static int passed, failed;

    static void Check(bool ok, string what)
    {
        if (ok) { passed++; } else { failed++; Console.WriteLine("failed: " + what); }
    }

    public static int Main(string[] args)
    {
        string path = args.Length > 0 ? args[0] : "dotnet.3ds";
        float[][] corners = {
            new float[] { 0, 0, 0, 1, 0, 0, 1, 1, 0 },
            new float[] { 0, 0, 0, 1, 1, 0, 0, 1, 0 },
        };
        float[] mapping = { 0, 0, 1, 0, 1, 1 };
        int[] edges = { 1, 1, 1 };

        Check(Qev3ds.QEV_FORM_3DS_FILENAME(path) == 0, "create the file");
        int layers = 2;
        Qev3ds.QEV_PUT_3DS_N_LAYER(ref layers);
        int one = 1, two = 2, transparency = 25, red = 200, green = 100, blue = 50, zero = 0;
        Qev3ds.QEV_PUT_3DS_LAYER(ref one, "Floor", ref zero, ref red, ref green, ref blue, "");
        Qev3ds.QEV_PUT_3DS_LAYER(ref two, "Decal", ref transparency, ref blue, ref green, ref red, "decal.png");
        for (int k = 1; k <= layers; k++)
        {
            int count = corners.Length;
            Qev3ds.QEV_PUT_3DS_N_TRI(ref k, ref count);
            for (int t = 1; t <= count; t++)
            {
                int smoothing = k;
                Check(Qev3ds.QEV_PUT_3DS_TRIANGLE(ref k, ref t, ref smoothing, corners[t - 1], edges, mapping) == t,
                      "stage triangle " + t);
            }
            Qev3ds.QEV_PUT_3DS_TRIANGLE_END();
        }
        int status = -1;
        Qev3ds.QEV_PUT_3DS_END(ref status);
        Check(status == 0, "finish the file");

        Check(Qev3ds.QEV_READ_3DS_FILENAME(path, ref status) == 0 && status == 0, "read the file");
        int n = 0;
        Qev3ds.QEV_READ_3DS_N_LAYER(ref n);
        Check(n == 2, "two layers");
        var name = new StringBuilder(64);
        var texture = new StringBuilder(64);
        for (int k = 1; k <= n; k++)
        {
            int tr = -1, r = -1, g = -1, b = -1, m = 0;
            Qev3ds.QEV_READ_3DS_LAYER(ref k, name, ref tr, ref r, ref g, ref b, texture);
            Qev3ds.QEV_READ_3DS_N_TRI(ref k, ref m);
            Check(name.ToString() == (k == 1 ? "Floor" : "Decal"), "layer " + k + " name " + name);
            Check(k == 1 ? (r == 200 && g == 100 && b == 50 && tr == 0) : (r == 50 && g == 100 && b == 200 && tr == 25),
                  "layer " + k + " colour " + r + "," + g + "," + b + " transparency " + tr);
            Check(texture.ToString() == (k == 1 ? "" : "decal.png"), "layer " + k + " texture " + texture);
            Check(m == 2, "layer " + k + " triangle count " + m);
            for (int t = 1; t <= m; t++)
            {
                var c = new float[9];
                var u = new float[6];
                int smoothing = -1;
                Check(Qev3ds.QEV_READ_3DS_TRIANGLE(ref k, ref t, ref smoothing, c, u) == t, "fetch count");
                bool same = true;
                for (int i = 0; i < 9; i++) same &= c[i] == corners[t - 1][i];
                Check(same, "layer " + k + " triangle " + t + " corners");
                Check(u[4] == (k == 2 ? 1f : 0f), "layer " + k + " triangle " + t + " mapping");
                Check(smoothing == k, "layer " + k + " smoothing index " + smoothing);
            }
        }
        Check(Qev3ds.QEV_READ_3DS_END() == 0, "every triangle fetched");
        Console.WriteLine("dotnet host: " + passed + " passed, " + failed + " failed");
        return failed == 0 ? 0 : 1;
    }
}
